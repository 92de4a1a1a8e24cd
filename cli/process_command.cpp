// Every operation is checked while the arguments are read, so a usage error changes nothing.
// The operations then run in the order given, each through the same core function as its menu
// command; the first one that shows a message (a reference that cannot be read, a second image
// of the other geometry) ends the command before OUT is written.
#include "cli/process_command.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>

#include "app/display_refresh.h"
#include "app/label.h"
#include "app/present_services.h"
#include "app/view_commands.h"
#include "cli/cli_app.h"
#include "cli/cli_args.h"
#include "cli/image_output.h"
#include "cli/text_ui_services.h"
#include "files/file_dialog_services.h"
#include "files/tq_file.h"
#include "processing/auto_processing.h"
#include "processing/calibration.h"
#include "processing/filter_commands.h"
#include "processing/filters.h"
#include "processing/merge.h"
#include "processing/stretch_commands.h"
#include "processing/stretch_dialog_models.h"
#include "processing/undo_history.h"
#include "session/session_state.h"

namespace vexa::cli {

namespace {

constexpr const char* kCommandName = "process";
// The Power Law dialog moves the exponent from 0.1 to 3.0; a typed value may differ from the
// bar's sums by rounding only.
constexpr double kPowerLowest = 0.1;
constexpr double kPowerTolerance = 1e-9;
constexpr long kBackgroundLevelMax = 255;

void PrintHelp(std::ostream& out) {
    out << UsageLine(kProcessSynopsis) << "\n\n"
        << "Loads IN (TQ raw or FITS), applies the operations in the order given, each as its\n"
        << "menu command does with the given dialog values, writes OUT and prints history:\n"
        << "with the processing-history lines. OUT is written only when every operation ran.\n\n"
        << "  --to " << kOutputFormatNames << "   the format of OUT (default: that of IN)\n\n"
        << "Operations:\n"
        << "  --normal WHITE,BLACK        Normal Stretch (white 1..300, black 0..255, white\n"
        << "                              above black)\n"
        << "  --power P                   Power Law Stretch (0.1 to 3.0; 1.0 changes nothing)\n"
        << "  --sine                      Sine Law Stretch\n"
        << "  --remove-background [LEVEL] Remove Background at display level LEVEL (0..255;\n"
        << "                              default the level the view estimates)\n"
        << "  --non-linear POWER          Non-Linear Stretch (2..50)\n"
        << "  --log, --antilog, --invert  Logarithmic, Antilogarithmic, Invert\n"
        << "  --unsharp RADIUS,POWER      Unsharp masking (each 1..7)\n"
        << "  --high-pass-low, --high-pass-high, --smoother-sharper, --gaussian, --low-pass,\n"
        << "  --bas-relief                the fixed-kernel filters\n"
        << "  --median RADIUS,TENTHS      Median Filter (radius 1..3, power TENTHS x 0.1,\n"
        << "                              1..10)\n"
        << "  --gradient                  Gradient Filter\n"
        << "  --dark FILE, --flat FILE    Subtract Image (Dark Frame), Apply Flat Field\n"
        << "  --merge FILE --marks X1,Y1,X2,Y2 [--average] [--superimpose]\n"
        << "                              merge FILE into the image; (X1,Y1) marks the star\n"
        << "                              in the image, (X2,Y2) the same star in FILE\n"
        << "  --mirror                    Mirror Image\n"
        << "  --label TEXT [--label-date] Label (with the UT time and date)\n"
        << "  --auto                      auto-processing with the stored settings\n"
        << "  --undo                      Undo Last Filter\n";
}

int Usage(std::ostream& err, const std::string& problem) {
    return UsageError(err, kCommandName, kProcessSynopsis, problem);
}

// A file named on the command line, made absolute: the file routines resolve relative names
// against the folder the last file choice remembered, which an operation may change.
std::string AbsolutePath(const std::string& name) {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(name, error);
    return error ? name : path.string();
}

// The text user interface, with the file choice and the label dialog answered by the
// operation that is running, and a count of the messages shown.
class ProcessUiServices : public TextUiServices, public FileDialogServices, public PresentServices {
  public:
    using TextUiServices::TextUiServices;

    int MessageBox(const std::string& caption, const std::string& text) override {
        ++messagesShown_;
        return TextUiServices::MessageBox(caption, text);
    }
    int StopMessageBox(const std::string& caption, const std::string& text) override {
        return MessageBox(caption, text);
    }
    std::optional<std::string> OpenFileDialog(const FileDialogRequest&) override {
        return std::exchange(chosenFile_, std::nullopt);
    }
    bool RunLabelDialog(LabelDialogModel& model) override {
        model.SetEditText(labelText_);
        model.SetAutoDate(labelDate_);
        return true;
    }

    int MessagesShown() const { return messagesShown_; }
    void AnswerFileChoice(const std::string& path) { chosenFile_ = path; }
    void AnswerLabel(const std::string& text, bool withDate) {
        labelText_ = text;
        labelDate_ = withDate;
    }

  private:
    int messagesShown_ = 0;
    std::optional<std::string> chosenFile_;
    std::string labelText_;
    bool labelDate_ = false;
};

struct MergeOperation {
    std::string file;
    std::optional<std::vector<long>> marks;  // X1, Y1, X2, Y2
    bool average = false;
    bool superimpose = false;
};

struct LabelOperation {
    std::string text;
    bool withDate = false;
};

// One operation as read from the arguments: a merge or a label (completed by the options that
// follow them), or any other operation with its values bound.
struct Operation {
    std::string option;
    std::function<void(ProcessUiServices&)> run;
    std::optional<MergeOperation> merge;
    std::optional<LabelOperation> label;
};

// "--merge FILE": the Merging menu's whole course with the marks given.
void RunMerge(const MergeOperation& merge) {
    SessionState& s = Session();
    StartMerge();
    if (!s.mergingMode) return;  // refused with its message
    const std::vector<long>& marks = *merge.marks;
    s.mergeX1 = static_cast<int32_t>(marks[0]);
    s.mergeY1 = static_cast<int32_t>(marks[1]);
    PrepareMergeSecondImage();
    if (!LoadImageFile(merge.file)) {
        CancelMerge();
        return;
    }
    s.mergeX2 = static_cast<int32_t>(marks[2]);
    s.mergeY2 = static_cast<int32_t>(marks[3]);
    s.mergeAverage = merge.average;
    s.mergeSuperimpose = merge.superimpose;
    if (!MergeImages()) CancelMerge();
}

// "--remove-background": the level given, or the one the view estimates after its paint.
void RunRemoveBackground(std::optional<long> level) {
    SessionState& s = Session();
    if (level) {
        s.backgroundLevel = static_cast<int32_t>(*level);
    } else {
        FillDisplayBytes(s.currentImage.data(), s.displayBytes.data(), s.geometry.sampleCount);
        EstimateBackgroundLevel();
    }
    RemoveBackground();
}

using SimpleCommand = void (*)();

struct FlagOperation {
    const char* option;
    SimpleCommand run;
};

// The operations that take no value.
constexpr FlagOperation kFlagOperations[] = {
    {"--sine", SineStretch},
    {"--log", LogStretch},
    {"--antilog", AntilogStretch},
    {"--invert", InvertStretch},
    {"--high-pass-low", CmdHighPassLowPower},
    {"--high-pass-high", CmdHighPassHighPower},
    {"--smoother-sharper", CmdSmootherSharper},
    {"--gaussian", CmdGaussianSmoother},
    {"--low-pass", CmdLowPassSmoother},
    {"--bas-relief", CmdBasRelief},
    {"--gradient", CmdGradientFilter},
    {"--mirror", CmdMirrorImage},
    {"--auto", RunAutoProcessing},
    {"--undo", UndoLastFilter},
};

std::optional<SimpleCommand> FlagCommand(const std::string& arg) {
    for (const FlagOperation& flag : kFlagOperations)
        if (arg == flag.option) return flag.run;
    return std::nullopt;
}

bool LooksLikeOption(const std::string& arg) {
    return arg.size() > 1 && arg[0] == '-';
}

}  // namespace

int RunProcessCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::vector<std::string> files;
    std::optional<OutputFormat> format;
    std::vector<Operation> operations;
    auto lastMerge = [&]() -> MergeOperation* {
        return operations.empty() || !operations.back().merge ? nullptr : &*operations.back().merge;
    };

    for (size_t i = 0; i < args.size(); ++i) {
        const std::string arg = args[i];
        if (arg == "--help" || arg == "-h") {
            PrintHelp(out);
            return kExitSuccess;
        }
        if (!LooksLikeOption(arg)) {
            if (files.size() == 2) return Usage(err, "unexpected argument '" + arg + "'");
            files.push_back(arg);
            continue;
        }
        if (const auto command = FlagCommand(arg)) {
            operations.push_back({arg, [run = *command](ProcessUiServices&) { run(); }, {}, {}});
            continue;
        }
        if (Named(arg, "--to")) {
            const auto value = OptionValue(args, i, "--to");
            format = value ? ParseOutputFormat(*value) : std::nullopt;
            if (!format) return Usage(err, std::string("--to needs ") + kOutputFormatNames);
        } else if (Named(arg, "--normal")) {
            const auto value = OptionValue(args, i, "--normal");
            const auto levels = value ? ParseIntegerList(*value, 2, 0, kWhiteBarMax) : std::nullopt;
            if (!levels || (*levels)[0] < kWhiteBarMin || (*levels)[1] > kBlackBarMax ||
                (*levels)[0] <= (*levels)[1]) {
                return Usage(err, "--normal needs WHITE,BLACK: white 1..300 above black 0..255");
            }
            const int white = static_cast<int>((*levels)[0]);
            const int black = static_cast<int>((*levels)[1]);
            operations.push_back({"--normal",
                                  [=](ProcessUiServices&) { ApplyNormalStretch(white, black); },
                                  {},
                                  {}});
        } else if (Named(arg, "--power")) {
            const auto value = OptionValue(args, i, "--power");
            const auto p = value ? ParseReal(*value) : std::nullopt;
            if (!p || *p < kPowerLowest - kPowerTolerance || *p > kPowerHighest + kPowerTolerance)
                return Usage(err, "--power needs a real from 0.1 to 3.0");
            const double exponent = *p;
            operations.push_back(
                {"--power", [=](ProcessUiServices&) { ApplyPowerLawStretch(exponent); }, {}, {}});
        } else if (Named(arg, "--remove-background")) {
            std::optional<long> level;
            if (arg != "--remove-background") {
                level = ParseInteger(arg.substr(arg.find('=') + 1), 0, kBackgroundLevelMax);
                if (!level) return Usage(err, "--remove-background takes a LEVEL from 0 to 255");
            } else if (i + 1 < args.size()) {
                // The level is optional: a following whole number is taken as the level.
                level = ParseInteger(args[i + 1], 0, kBackgroundLevelMax);
                if (level) ++i;
            }
            operations.push_back({"--remove-background",
                                  [=](ProcessUiServices&) { RunRemoveBackground(level); },
                                  {},
                                  {}});
        } else if (Named(arg, "--non-linear")) {
            const auto value = OptionValue(args, i, "--non-linear");
            const auto power =
                value ? ParseInteger(*value, kNonLinearMin, kNonLinearMax) : std::nullopt;
            if (!power) return Usage(err, "--non-linear needs a POWER from 2 to 50");
            const double p = static_cast<double>(*power);
            operations.push_back(
                {"--non-linear", [=](ProcessUiServices&) { ApplyNonLinearStretch(p); }, {}, {}});
        } else if (Named(arg, "--unsharp")) {
            const auto value = OptionValue(args, i, "--unsharp");
            const auto v = value ? ParseIntegerList(*value, 2, 1, kUnsharpMaxValue) : std::nullopt;
            if (!v) return Usage(err, "--unsharp needs RADIUS,POWER, each from 1 to 7");
            const int radius = static_cast<int>((*v)[0]), power = static_cast<int>((*v)[1]);
            operations.push_back({"--unsharp",
                                  [=](ProcessUiServices&) { ApplyUnsharpMask(radius, power); },
                                  {},
                                  {}});
        } else if (Named(arg, "--median")) {
            const auto value = OptionValue(args, i, "--median");
            const auto v = value ? ParseIntegerList(*value, 2, 1, kMedianMaxTenths) : std::nullopt;
            if (!v || (*v)[0] > kMedianMaxRadius)
                return Usage(err, "--median needs RADIUS,TENTHS: radius 1..3, tenths 1..10");
            const int radius = static_cast<int>((*v)[0]), tenths = static_cast<int>((*v)[1]);
            operations.push_back({"--median",
                                  [=](ProcessUiServices&) { ApplyMedianFilter(radius, tenths); },
                                  {},
                                  {}});
        } else if (Named(arg, "--dark") || Named(arg, "--flat")) {
            const bool dark = Named(arg, "--dark");
            const std::string name = dark ? "--dark" : "--flat";
            const auto value = OptionValue(args, i, name);
            if (!value || value->empty()) return Usage(err, name + " needs FILE");
            operations.push_back({name,
                                  [file = AbsolutePath(*value), dark](ProcessUiServices& ui) {
                                      ui.AnswerFileChoice(file);
                                      dark ? SubtractDarkFrame() : ApplyFlatField();
                                  },
                                  {},
                                  {}});
        } else if (Named(arg, "--merge")) {
            const auto value = OptionValue(args, i, "--merge");
            if (!value || value->empty()) return Usage(err, "--merge needs FILE");
            operations.push_back({"--merge",
                                  {},
                                  MergeOperation{AbsolutePath(*value), std::nullopt, false, false},
                                  {}});
        } else if (Named(arg, "--marks")) {
            MergeOperation* merge = lastMerge();
            if (!merge || merge->marks) return Usage(err, "--marks must follow --merge FILE");
            const auto value = OptionValue(args, i, "--marks");
            merge->marks = value ? ParseIntegerList(*value, 4, INT32_MIN, INT32_MAX) : std::nullopt;
            if (!merge->marks) return Usage(err, "--marks needs X1,Y1,X2,Y2");
        } else if (arg == "--average" || arg == "--superimpose") {
            MergeOperation* merge = lastMerge();
            if (!merge) return Usage(err, arg + " must follow --merge FILE");
            (arg == "--average" ? merge->average : merge->superimpose) = true;
        } else if (Named(arg, "--label")) {
            const auto value = OptionValue(args, i, "--label");
            if (!value) return Usage(err, "--label needs TEXT");
            operations.push_back({"--label", {}, {}, LabelOperation{*value, false}});
        } else if (arg == "--label-date") {
            if (operations.empty() || !operations.back().label)
                return Usage(err, "--label-date must follow --label TEXT");
            operations.back().label->withDate = true;
        } else {
            return Usage(err, "unknown option '" + arg + "'");
        }
    }
    if (files.size() != 2) return Usage(err, "needs IN and OUT");
    if (operations.empty()) return Usage(err, "needs at least one OPERATION");
    for (const Operation& operation : operations) {
        if (operation.merge && !operation.merge->marks)
            return Usage(err, "--merge needs --marks X1,Y1,X2,Y2");
    }

    ProcessUiServices ui(err);
    UiServices& previous = Ui();
    FileDialogServices& previousFileDialogs = FileDialogs();
    PresentServices& previousPresentUi = PresentUi();
    SetUi(&ui);
    SetFileDialogs(&ui);
    SetPresentUi(&ui);
    const int status = [&] {
        const std::string in = AbsolutePath(files[0]);
        const std::string target = AbsolutePath(files[1]);
        const OutputFormat targetFormat = format.value_or(FormatOfImageFile(in));
        if (!LoadImageFile(in)) return kExitFailure;
        for (const Operation& operation : operations) {
            const int shownBefore = ui.MessagesShown();
            if (operation.merge) {
                RunMerge(*operation.merge);
            } else if (operation.label) {
                ui.AnswerLabel(operation.label->text, operation.label->withDate);
                CmdLabel();
            } else {
                operation.run(ui);
            }
            if (ui.MessagesShown() != shownBefore) {
                err << kProgramName << ' ' << kCommandName << ": " << operation.option
                    << " did not complete; " << files[1] << " was not written\n";
                return kExitFailure;
            }
        }
        if (!WriteImageAs(target, targetFormat)) return kExitFailure;
        out << "history:\n";
        PrintHistoryLines(out);
        return kExitSuccess;
    }();
    SetUi(&previous);
    SetFileDialogs(&previousFileDialogs);
    SetPresentUi(&previousPresentUi);
    return status;
}

}  // namespace vexa::cli
