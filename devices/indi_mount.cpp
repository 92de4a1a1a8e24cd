#include "devices/indi_mount.h"

#include <libindi/baseclient.h>
#include <libindi/basedevice.h>
#include <libindi/indiproperty.h>
#include <libindi/indipropertynumber.h>
#include <libindi/indipropertyswitch.h>
#include <libindi/indipropertytext.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "devices/indi_sky.h"
#include "session/message_pump.h"
#include "session/posted_work.h"
#include "session/session_state.h"
#include "telescope/sky_catalogue.h"

namespace vexa {

// What the server last said, as plain values: written and read on the user-interface thread
// only (the library's thread posts each change there).
enum class IndiState { Idle, Ok, Busy, Alert };

struct IndiElement {
    std::string name;
    double number = 0.0;
    double min = 0.0;
    double max = 0.0;
    bool on = false;
    std::string text;
};

struct IndiProperty {
    IndiState state = IndiState::Idle;
    std::vector<IndiElement> elements;
    uint64_t updates = 0;  // how often the server sent it

    const IndiElement* Element(const std::string& name) const {
        for (const IndiElement& e : elements)
            if (e.name == name) return &e;
        return nullptr;
    }
};

struct IndiMirror {
    bool serverLost = false;
    std::vector<std::string> devices;  // in the order the server listed them
    std::map<std::string, std::map<std::string, IndiProperty>> properties;
    std::map<std::string, std::string> lastMessage;

    const IndiProperty* Find(const std::string& device, const std::string& name) const {
        const auto d = properties.find(device);
        if (d == properties.end()) return nullptr;
        const auto p = d->second.find(name);
        return p == d->second.end() ? nullptr : &p->second;
    }
    bool SwitchOn(const std::string& device, const std::string& name,
                  const std::string& element) const {
        const IndiProperty* p = Find(device, name);
        const IndiElement* e = p ? p->Element(element) : nullptr;
        return e && e->on;
    }
};

namespace {

using SteadyClock = std::chrono::steady_clock;
using Numbers = std::vector<std::pair<std::string, double>>;
using Switches = std::vector<std::pair<std::string, bool>>;

constexpr int16_t kStopWait = 0;
constexpr uint32_t kLongestIdleWaitMs = 20;
constexpr double kArrivedDegrees = 5.0 / 60.0;   // a GoTo that ends within 5 arcmin arrived
constexpr double kOnTargetDegrees = 0.5 / 60.0;  // closer needs no second slew
constexpr int kGotoPasses = 3;
constexpr uint32_t kFocuserLookMs = 1000;
constexpr double kHalfCircle = 180.0;
constexpr double kDegreesPerHour = 15.0;
constexpr double kMinutesPerUnit = 60.0;
constexpr double kSecondsPerUnit = 3600.0;
constexpr unsigned kTelescopeInterface = 1;  // the driver-interface bit of a telescope
constexpr size_t kInfoChars = 32;

IndiState StateOf(IPState state) {
    switch (state) {
        case IPS_OK:
            return IndiState::Ok;
        case IPS_BUSY:
            return IndiState::Busy;
        case IPS_ALERT:
            return IndiState::Alert;
        case IPS_IDLE:
        default:
            return IndiState::Idle;
    }
}

// The one place that reads libindi's property objects (their interface changed after 1.9).
IndiProperty Snapshot(INDI::Property property) {
    IndiProperty s;
    s.state = StateOf(property.getState());
    switch (property.getType()) {
        case INDI_NUMBER: {
            INDI::PropertyNumber numbers(property);
            for (const auto& w : numbers)
                s.elements.push_back(
                    {w.getName(), w.getValue(), w.getMin(), w.getMax(), false, {}});
            break;
        }
        case INDI_SWITCH: {
            INDI::PropertySwitch switches(property);
            for (const auto& w : switches)
                s.elements.push_back({w.getName(), 0, 0, 0, w.getState() == ISS_ON, {}});
            break;
        }
        case INDI_TEXT: {
            INDI::PropertyText texts(property);
            for (const auto& w : texts)
                s.elements.push_back({w.getName(), 0, 0, 0, false, w.getText() ? w.getText() : ""});
            break;
        }
        default:
            break;
    }
    return s;
}

enum class WaitEnd { Done, Lost, TimedOut, Aborted };

// Takes in what the server says until done() holds, the server goes away, the user aborts
// (pump: the message pump runs, so a key or click can) or timeoutMs pass.
WaitEnd WaitUntil(const IndiMirror& mirror, uint32_t timeoutMs, const std::function<bool()>& done,
                  bool pump = false, const bool* aborted = nullptr) {
    const auto end = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (pump) {
            PumpMessages(kStopWait);
        } else {
            (void)RunPostedWork();
        }
        if (done()) return WaitEnd::Done;
        if (mirror.serverLost) return WaitEnd::Lost;
        if (aborted && *aborted) return WaitEnd::Aborted;
        const auto now = SteadyClock::now();
        if (now >= end) return WaitEnd::TimedOut;
        if (!pump) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now);
            (void)WaitForPostedWork(
                static_cast<uint32_t>(std::min<int64_t>(left.count() + 1, kLongestIdleWaitMs)));
        }
    }
}

std::string Sexagesimal(double value, int width, char separator) {
    const bool negative = value < 0;
    const long seconds = std::lround(std::fabs(value) * kSecondsPerUnit);
    char text[48];
    std::snprintf(text, sizeof text, "%s%0*ld%c%02ld:%02ld", negative ? "-" : "", width,
                  seconds / 3600, separator, (seconds / 60) % 60, seconds % 60);
    return text;
}

std::string PositionText(double raHours, double decDegrees) {
    std::string dec = Sexagesimal(decDegrees, 2, '*');
    if (decDegrees >= 0) dec = "+" + dec;
    return "RA " + Sexagesimal(raHours, 2, ':') + " DEC " + dec;
}

// "RA HH:MM DEC sDD*MM", rounded to the minute, as an LX200 shows a position.
std::string MinutePositionText(double raHours, double decDegrees) {
    const long raMinutes = std::lround(raHours * kMinutesPerUnit) % (24 * 60);
    const long decMinutes = std::lround(std::fabs(decDegrees) * kMinutesPerUnit);
    char text[48];
    std::snprintf(text, sizeof text, "RA %02ld:%02ld DEC %c%02ld*%02ld", raMinutes / 60,
                  raMinutes % 60, decDegrees < 0 ? '-' : '+', decMinutes / 60, decMinutes % 60);
    return text;
}

std::string Shown(std::string text) {
    if (text.size() > kInfoChars) text.resize(kInfoChars);
    return text;
}

// The elements of a slew-rate property from slowest to fastest: the guide rate first, the
// fastest last, centring and finding between.
size_t SlewRateIndex(size_t count) {
    const std::string& command = Session().telescope.slewRateCommand;
    const char letter = command.size() > kDirectionLetterIndex ? command[kDirectionLetterIndex] : 0;
    if (count == 0) return 0;
    switch (letter) {
        case kSlewLetter:
            return count - 1;
        case kFindLetter:
            return (2 * count) / 3;
        case kCentreLetter:
            return count / 3;
        default:
            return 0;
    }
}

// Degrees between where a co-ordinate property points and a target; far away without one.
double DistanceTo(const IndiProperty* coordinates, double raHours, double decDegrees) {
    const IndiElement* ra = coordinates ? coordinates->Element("RA") : nullptr;
    const IndiElement* dec = coordinates ? coordinates->Element("DEC") : nullptr;
    if (!ra || !dec) return kHalfCircle;
    double dra = std::fabs(ra->number - raHours) * kDegreesPerHour;
    if (dra > kHalfCircle) dra = 2 * kHalfCircle - dra;
    dra *= std::cos(decDegrees * M_PI / kHalfCircle);
    return std::hypot(dra, dec->number - decDegrees);
}

}  // namespace

// ---- the library's side ----

class IndiMount::Client final : public INDI::BaseClient {
  public:
    explicit Client(std::shared_ptr<IndiMirror> mirror) : mirror_(std::move(mirror)) {}
    ~Client() override { disconnectServer(); }

    void SendNumbers(const std::string& device, const std::string& name, const Numbers& values) {
        INDI::PropertyNumber property(values.size());
        property.setDeviceName(device.c_str());
        property.setName(name.c_str());
        for (size_t i = 0; i < values.size(); ++i) {
            property[i].setName(values[i].first.c_str());
            property[i].setValue(values[i].second);
        }
        sendNewNumber(property);
    }
    void SendSwitches(const std::string& device, const std::string& name, const Switches& values) {
        INDI::PropertySwitch property(values.size());
        property.setDeviceName(device.c_str());
        property.setName(name.c_str());
        for (size_t i = 0; i < values.size(); ++i) {
            property[i].setName(values[i].first.c_str());
            property[i].setState(values[i].second ? ISS_ON : ISS_OFF);
        }
        sendNewSwitch(property);
    }

  protected:
    void newDevice(INDI::BaseDevice device) override {
        Post([name = std::string(device.getDeviceName())](IndiMirror& m) {
            if (std::find(m.devices.begin(), m.devices.end(), name) == m.devices.end())
                m.devices.push_back(name);
        });
    }
    void removeDevice(INDI::BaseDevice device) override {
        Post([name = std::string(device.getDeviceName())](IndiMirror& m) {
            m.devices.erase(std::remove(m.devices.begin(), m.devices.end(), name), m.devices.end());
            m.properties.erase(name);
        });
    }
    void newProperty(INDI::Property property) override { Store(property); }
    void updateProperty(INDI::Property property) override { Store(property); }
    void removeProperty(INDI::Property property) override {
        Post([device = std::string(property.getDeviceName()),
              name = std::string(property.getName())](IndiMirror& m) {
            m.properties[device].erase(name);
        });
    }
    void newMessage(INDI::BaseDevice device, int messageId) override {
        Post([name = std::string(device.getDeviceName()),
              text = device.messageQueue(static_cast<size_t>(messageId))](IndiMirror& m) {
            m.lastMessage[name] = text;
        });
    }
    void serverDisconnected(int) override {
        Post([](IndiMirror& m) { m.serverLost = true; });
    }

  private:
    void Store(INDI::Property property) {
        Post([device = std::string(property.getDeviceName()),
              name = std::string(property.getName()),
              snapshot = Snapshot(property)](IndiMirror& m) mutable {
            IndiProperty& stored = m.properties[device][name];
            snapshot.updates = stored.updates + 1;
            stored = std::move(snapshot);
        });
    }
    void Post(std::function<void(IndiMirror&)> change) {
        PostToUiThread([mirror = mirror_, change = std::move(change)] { change(*mirror); });
    }

    std::shared_ptr<IndiMirror> mirror_;
};

// ---- the mount ----

IndiMount::IndiMount(IndiTimeLimits limits)
    : limits_(limits), mirror_(std::make_shared<IndiMirror>()) {}

IndiMount::~IndiMount() {
    Close();
}

void IndiMount::Close() {
    client_.reset();
    connected_ = false;
    focuser_.clear();
}

bool IndiMount::Connected() const {
    return connected_ && client_ && !mirror_->serverLost &&
           mirror_->SwitchOn(device_, "CONNECTION", "CONNECT");
}

Status IndiMount::Lost() const {
    return Status(StatusCode::Disconnected,
                  "the INDI server at " + IndiServerText(server_) + " went away");
}

Status IndiMount::Usable() const {
    (void)RunPostedWork();
    if (!connected_ || !client_) return Status(StatusCode::NotFound, "the mount is not connected");
    if (mirror_->serverLost) return Lost();
    if (!mirror_->SwitchOn(device_, "CONNECTION", "CONNECT"))
        return Status(StatusCode::Disconnected, device_ + " was disconnected on the INDI server");
    return Status::Ok();
}

Status IndiMount::Connect(const IndiServer& server) {
    (void)RunPostedWork();
    if (Connected() && server == server_) return Status::Ok();
    Close();
    server_ = server;
    device_.clear();
    mirror_ = std::make_shared<IndiMirror>();
    client_ = std::make_unique<Client>(mirror_);
    const std::string where = server.host + ":" + std::to_string(server.port);
    client_->setServer(server.host.c_str(), server.port);
    client_->setConnectionTimeout(limits_.serverSeconds, 0);
    if (!client_->connectServer()) {
        client_.reset();
        return Status(StatusCode::NotFound, "no INDI server answers at " + where);
    }
    Status status = FindDevice(where);
    if (status.ok()) status = ConnectDevice();
    if (status.ok()) status = AwaitCoordinates();
    if (!status.ok()) {
        Close();
        return status;
    }
    connected_ = true;
    return Status::Ok();
}

Status IndiMount::FindDevice(const std::string& where) {
    const IndiMirror& m = *mirror_;
    const IndiServer& server = server_;
    // The device: the one named, else the first that says it is a telescope.
    std::string device;
    auto isTelescope = [&m](const std::string& name) {
        if (const IndiProperty* info = m.Find(name, "DRIVER_INFO")) {
            if (const IndiElement* e = info->Element("DRIVER_INTERFACE"))
                return (std::strtoul(e->text.c_str(), nullptr, 10) & kTelescopeInterface) != 0;
        }
        return m.Find(name, "EQUATORIAL_EOD_COORD") != nullptr;
    };
    const WaitEnd end = WaitUntil(m, limits_.deviceMs, [&] {
        for (const std::string& name : m.devices) {
            if (server.device.empty() ? isTelescope(name) : name == server.device) {
                device = name;
                return m.Find(name, "CONNECTION") != nullptr;
            }
        }
        return false;
    });
    if (end == WaitEnd::Lost)
        return Status(StatusCode::Disconnected,
                      "the INDI server at " + where + " closed the connection");
    if (end != WaitEnd::Done) {
        std::string offered;
        for (const std::string& name : m.devices) offered += (offered.empty() ? "" : ", ") + name;
        const std::string listing =
            offered.empty() ? " (it offers no device)" : " (it offers " + offered + ")";
        if (server.device.empty())
            return Status(StatusCode::NotFound,
                          "the INDI server at " + where + " offers no telescope" + listing);
        if (device.empty())
            return Status(StatusCode::NotFound, "the INDI server at " + where + " has no device '" +
                                                    server.device + "'" + listing);
        return Status(StatusCode::NotFound,
                      device + " on the INDI server at " + where + " has no CONNECTION property");
    }
    device_ = device;
    return Status::Ok();
}

// Connected as INDI clients do when the server holds it disconnected.
Status IndiMount::ConnectDevice() {
    const IndiMirror& m = *mirror_;
    if (m.SwitchOn(device_, "CONNECTION", "CONNECT")) return Status::Ok();
    const uint64_t before = m.Find(device_, "CONNECTION")->updates;
    client_->SendSwitches(device_, "CONNECTION", {{"CONNECT", true}});
    bool refused = false;
    const WaitEnd end = WaitUntil(m, limits_.deviceConnectMs, [&] {
        const IndiProperty* c = m.Find(device_, "CONNECTION");
        if (!c || c->updates == before) return false;
        refused = c->state == IndiState::Alert;
        return refused ||
               (c->state == IndiState::Ok && m.SwitchOn(device_, "CONNECTION", "CONNECT"));
    });
    if (end == WaitEnd::Lost) return Lost();
    if (end == WaitEnd::Done && !refused) return Status::Ok();
    const auto message = m.lastMessage.find(device_);
    std::string why = message == m.lastMessage.end() ? std::string() : ": " + message->second;
    if (!refused) why = " within " + std::to_string(limits_.deviceConnectMs / 1000) + " s" + why;
    return Status(StatusCode::IoError, "the INDI server could not connect " + device_ + why);
}

Status IndiMount::AwaitCoordinates() {
    const IndiMirror& m = *mirror_;
    const WaitEnd end = WaitUntil(
        m, limits_.commandMs, [&] { return m.Find(device_, "EQUATORIAL_EOD_COORD") != nullptr; });
    if (end == WaitEnd::Lost) return Lost();
    if (end != WaitEnd::Done)
        return Status(StatusCode::Unsupported,
                      device_ + " is not a telescope: it has no EQUATORIAL_EOD_COORD");
    return Status::Ok();
}

Status IndiMount::GotoDate(double raHours, double decDegrees, const std::string& name,
                           GotoAnswer* answer) {
    TelescopeState& t = Session().telescope;
    t.scopeInfo.clear();
    if (answer) *answer = GotoAnswer();
    if (Status usable = Usable(); !usable.ok()) return usable;
    const IndiMirror& m = *mirror_;
    if (!m.Find(device_, "EQUATORIAL_EOD_COORD"))
        return Status(StatusCode::Unsupported, device_ + " takes no co-ordinates");
    if (const IndiProperty* onSet = m.Find(device_, "ON_COORD_SET")) {
        // Slew, then track: the mount stays on the object.
        const char* how = onSet->Element("TRACK") ? "TRACK" : "SLEW";
        if (onSet->Element(how)) client_->SendSwitches(device_, "ON_COORD_SET", {{how, true}});
    }
    bool refused = false;
    if (Status slewed = SlewTo(raHours, decDegrees, refused); !slewed.ok()) return slewed;
    if (answer) answer->read = true;
    if (refused) {
        const auto message = m.lastMessage.find(device_);
        const std::string why =
            message == m.lastMessage.end() ? "the mount refused the slew" : message->second;
        t.scopeInfo = Shown(name + " refused");
        t.lastGotoReply = '1';
        if (answer) {
            answer->reply = '1';
            answer->message = why;
        }
        return Status::Ok();
    }
    const IndiProperty* p = m.Find(device_, "EQUATORIAL_EOD_COORD");
    const IndiElement* ra = p ? p->Element("RA") : nullptr;
    const IndiElement* dec = p ? p->Element("DEC") : nullptr;
    // To the second where the display has room, else to the minute (the co-ordinates would
    // lose their Dec. minutes).
    const double raAt = ra ? ra->number : raHours;
    const double decAt = dec ? dec->number : decDegrees;
    std::string info = name + " " + PositionText(raAt, decAt);
    if (info.size() > kInfoChars) info = name + " " + MinutePositionText(raAt, decAt);
    t.scopeInfo = Shown(info);
    t.lastGotoReply = kGotoAccepted;
    if (answer) answer->reply = kGotoAccepted;
    return Status::Ok();
}

Status IndiMount::SlewTo(double raHours, double decDegrees, bool& refused) {
    const IndiMirror& m = *mirror_;
    bool aborted = false;
    const AbortScope stopOnKey([&aborted](int16_t) { aborted = true; });
    const auto deadline = SteadyClock::now() + std::chrono::seconds(server_.gotoSeconds);
    auto stopMount = [&] {
        if (m.Find(device_, "TELESCOPE_ABORT_MOTION"))
            client_->SendSwitches(device_, "TELESCOPE_ABORT_MOTION", {{"ABORT", true}});
    };
    // A mount that ends its slew off the target (some do, by the sky's turn during a long
    // slew) is sent there again, a short slew, a few times at most.
    for (int pass = 0;; ++pass) {
        const uint64_t before = m.Find(device_, "EQUATORIAL_EOD_COORD")->updates;
        client_->SendNumbers(device_, "EQUATORIAL_EOD_COORD",
                             {{"RA", raHours}, {"DEC", decDegrees}});
        bool busySeen = false;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
        const WaitEnd end = WaitUntil(
            m, static_cast<uint32_t>(std::max<int64_t>(left.count(), 0)),
            [&] {
                const IndiProperty* p = m.Find(device_, "EQUATORIAL_EOD_COORD");
                if (!p || p->updates == before) return false;
                if (p->state == IndiState::Alert) return refused = true;
                if (p->state == IndiState::Busy) {
                    busySeen = true;
                    return false;
                }
                return busySeen || DistanceTo(p, raHours, decDegrees) < kArrivedDegrees;
            },
            true, &aborted);
        switch (end) {
            case WaitEnd::Lost:
                return Lost();
            case WaitEnd::Aborted:
                stopMount();
                return Status(StatusCode::Aborted, "the GoTo was stopped");
            case WaitEnd::TimedOut:
                stopMount();
                return Status(StatusCode::Timeout, "the GoTo did not complete within " +
                                                       std::to_string(server_.gotoSeconds) +
                                                       " s; the mount was told to stop");
            default:
                break;
        }
        if (refused || pass + 1 >= kGotoPasses) return Status::Ok();
        if (DistanceTo(m.Find(device_, "EQUATORIAL_EOD_COORD"), raHours, decDegrees) <
            kOnTargetDegrees)
            return Status::Ok();
    }
}

Status IndiMount::CatalogueGoto(std::string_view prefix, int n, GotoAnswer* answer) {
    const double jd = JulianDayNow();
    if (prefix == kStarPrefix) {
        for (int i = 0; i < kPlanetCount; ++i) {
            const Planet planet = static_cast<Planet>(i);
            if (PlanetStarNumber(planet) != n) continue;
            const SkyPosition at = PlanetPosition(planet, jd);
            return GotoDate(at.raHours, at.decDegrees, PlanetName(planet), answer);
        }
    } else {
        const std::optional<CatalogueObject> object =
            prefix == kMessierPrefix ? MessierObject(n) : NgcObject(n);
        if (object) {
            const SkyPosition at = J2000ToDate(object->j2000, jd);
            return GotoDate(at.raHours, at.decDegrees, object->name, answer);
        }
    }
    Session().telescope.scopeInfo.clear();
    if (answer) *answer = GotoAnswer();
    return Status(StatusCode::Unsupported,
                  "the program knows no position for that object: give its co-ordinates");
}

Status IndiMount::CoordinateGoto(const Coordinates& c, GotoAnswer* answer) {
    const double minutes = c.decMinutes / kMinutesPerUnit;
    const double dec = c.decSouth || c.decDegrees < 0 ? -(std::abs(c.decDegrees) + minutes)
                                                      : c.decDegrees + minutes;
    const SkyPosition j2000{c.raHours + c.raMinutes / kMinutesPerUnit, dec};
    const SkyPosition at = J2000ToDate(j2000, JulianDayNow());
    return GotoDate(at.raHours, at.decDegrees, "Co-ordinates", answer);
}

Status IndiMount::ReadScopeInfo() {
    TelescopeState& t = Session().telescope;
    if (Status usable = Usable(); !usable.ok()) return usable;
    const IndiProperty* p = mirror_->Find(device_, "EQUATORIAL_EOD_COORD");
    const IndiElement* ra = p ? p->Element("RA") : nullptr;
    const IndiElement* dec = p ? p->Element("DEC") : nullptr;
    if (!ra || !dec) return Status(StatusCode::Unsupported, device_ + " reports no position");
    t.scopeInfo = Shown(PositionText(ra->number, dec->number));
    return Status::Ok();
}

Status IndiMount::StartMove(char directionLetter) {
    TelescopeState& t = Session().telescope;
    if (t.moving) return Status::Ok();
    if (Status usable = Usable(); !usable.ok()) return usable;
    const IndiMirror& m = *mirror_;
    const bool northSouth = directionLetter == 'n' || directionLetter == 's';
    const char* property = northSouth ? "TELESCOPE_MOTION_NS" : "TELESCOPE_MOTION_WE";
    const char* element = directionLetter == 'n'   ? "MOTION_NORTH"
                          : directionLetter == 's' ? "MOTION_SOUTH"
                          : directionLetter == 'e' ? "MOTION_EAST"
                          : directionLetter == 'w' ? "MOTION_WEST"
                                                   : nullptr;
    if (!element) return Status::Ok();
    if (!Await(device_, property, limits_.commandMs))
        return Status(StatusCode::Unsupported, device_ + " offers no manual motion");
    if (const IndiProperty* rates = m.Find(device_, "TELESCOPE_SLEW_RATE");
        rates && !rates->elements.empty()) {
        const size_t index = SlewRateIndex(rates->elements.size());
        client_->SendSwitches(device_, "TELESCOPE_SLEW_RATE",
                              {{rates->elements[index].name, true}});
    }
    client_->SendSwitches(device_, property, {{element, true}});
    movingNorthSouth_ = northSouth;
    t.moving = true;
    return Status::Ok();
}

Status IndiMount::StopMove() {
    TelescopeState& t = Session().telescope;
    if (!t.moving) return Status::Ok();
    t.moving = false;
    if (Status usable = Usable(); !usable.ok()) return usable;
    // Both axes stop, as the LX200's four stops do.
    client_->SendSwitches(device_, "TELESCOPE_MOTION_NS",
                          {{"MOTION_NORTH", false}, {"MOTION_SOUTH", false}});
    client_->SendSwitches(device_, "TELESCOPE_MOTION_WE",
                          {{"MOTION_WEST", false}, {"MOTION_EAST", false}});
    return Status::Ok();
}

const IndiProperty* IndiMount::Await(const std::string& device, const std::string& name,
                                     uint32_t timeoutMs) const {
    const IndiMirror& m = *mirror_;
    (void)WaitUntil(m, timeoutMs, [&] { return m.Find(device, name) != nullptr; });
    return m.Find(device, name);
}

std::string IndiMount::FocuserDevice() const {
    if (Await(device_, "FOCUS_MOTION", kFocuserLookMs)) return device_;
    for (const std::string& name : mirror_->devices)
        if (mirror_->Find(name, "FOCUS_MOTION")) return name;
    return {};
}

Status IndiMount::StartFocus(bool focusIn) {
    TelescopeState& t = Session().telescope;
    if (t.focusing) return Status::Ok();
    if (Status usable = Usable(); !usable.ok()) return usable;
    focuser_ = FocuserDevice();
    if (focuser_.empty())
        return Status(StatusCode::Unsupported, "the INDI server offers no focuser");
    const IndiMirror& m = *mirror_;
    const bool fast = t.focusSpeedCommand.size() > kDirectionLetterIndex &&
                      t.focusSpeedCommand[kDirectionLetterIndex] == kFastLetter;
    if (const IndiProperty* speed = m.Find(focuser_, "FOCUS_SPEED");
        speed && !speed->elements.empty()) {
        const IndiElement& e = speed->elements.front();
        client_->SendNumbers(focuser_, "FOCUS_SPEED", {{e.name, fast ? e.max : e.min}});
    }
    client_->SendSwitches(focuser_, "FOCUS_MOTION",
                          {{focusIn ? "FOCUS_INWARD" : "FOCUS_OUTWARD", true}});
    // A run lasts until the arrow's release stops it, or the longest the focuser times.
    if (const IndiProperty* timer = m.Find(focuser_, "FOCUS_TIMER");
        timer && !timer->elements.empty()) {
        const IndiElement& e = timer->elements.front();
        client_->SendNumbers(focuser_, "FOCUS_TIMER", {{e.name, e.max > 0 ? e.max : e.number}});
    }
    t.focusing = true;
    return Status::Ok();
}

Status IndiMount::StopFocus() {
    TelescopeState& t = Session().telescope;
    if (!t.focusing) return Status::Ok();
    t.focusing = false;
    if (Status usable = Usable(); !usable.ok()) return usable;
    if (!focuser_.empty() && mirror_->Find(focuser_, "FOCUS_ABORT_MOTION"))
        client_->SendSwitches(focuser_, "FOCUS_ABORT_MOTION", {{"ABORT", true}});
    return Status::Ok();
}

Status IndiMount::Pulse(char directionLetter, uint32_t pulseMs) {
    const char* property = nullptr;
    Numbers values;
    switch (directionLetter) {
        case 'n':
        case 's':
            property = "TELESCOPE_TIMED_GUIDE_NS";
            values = {{"TIMED_GUIDE_N", directionLetter == 'n' ? pulseMs : 0.0},
                      {"TIMED_GUIDE_S", directionLetter == 's' ? pulseMs : 0.0}};
            break;
        case 'e':
        case 'w':
            property = "TELESCOPE_TIMED_GUIDE_WE";
            values = {{"TIMED_GUIDE_W", directionLetter == 'w' ? pulseMs : 0.0},
                      {"TIMED_GUIDE_E", directionLetter == 'e' ? pulseMs : 0.0}};
            break;
        default:
            return Status::Ok();  // no direction: nothing to send
    }
    if (Status usable = Usable(); !usable.ok()) return usable;
    const IndiMirror& m = *mirror_;
    const IndiProperty* guide = Await(device_, property, limits_.commandMs);
    if (!guide) return Status(StatusCode::Unsupported, device_ + " offers no timed guide pulses");
    const uint64_t before = guide->updates;
    const auto start = SteadyClock::now();
    client_->SendNumbers(device_, property, values);
    bool refused = false;
    WaitEnd end = WaitUntil(m, pulseMs + limits_.pulseExtraMs, [&] {
        const IndiProperty* p = m.Find(device_, property);
        if (!p || p->updates == before || p->state == IndiState::Busy) return false;
        refused = p->state == IndiState::Alert;
        return true;
    });
    if (end == WaitEnd::Lost) return Lost();
    if (end != WaitEnd::Done)
        return Status(StatusCode::Timeout,
                      device_ + " did not finish a " + std::to_string(pulseMs) + " ms guide pulse");
    if (refused) {
        const auto message = m.lastMessage.find(device_);
        return Status(
            StatusCode::IoError,
            "the mount refused the guide pulse" +
                (message == m.lastMessage.end() ? std::string() : ": " + message->second));
    }
    // The pulse is over when its time is, whenever the mount reported it.
    const auto over = start + std::chrono::milliseconds(pulseMs);
    end = WaitUntil(m, pulseMs, [&] { return SteadyClock::now() >= over; });
    return end == WaitEnd::Lost ? Lost() : Status::Ok();
}

RemoteMountMaker IndiMountMaker() {
    return [] { return std::make_unique<IndiMount>(); };
}

}  // namespace vexa
