#include "ui/command_menu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <array>

#include "app/command_dispatch.h"

namespace vexa {

namespace {
// The items that show a check mark while their display option is on.
constexpr std::array kCheckableCommands{cmd::kFitToWindow, cmd::kCentreImage, cmd::kFalseColour,
                                        cmd::kAutoContrast};

bool IsCheckable(int32_t id) {
    return std::find(kCheckableCommands.begin(), kCheckableCommands.end(), id) !=
           kCheckableCommands.end();
}

QString TextOf(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

int32_t CommandIdOf(const QAction* action) {
    bool ok = false;
    const int id = action->data().toInt(&ok);
    return ok ? id : 0;
}

QAction* MakeCommandAction(const QString& text, int32_t id, QObject* owner,
                           const FrontEndDevices& devices) {
    // The text after "\t" is shown as the key hint only: the keys themselves are the
    // accelerators, so no action carries a shortcut and no key is claimed twice.
    auto* action = new QAction(text, owner);
    action->setData(id);
    action->setCheckable(IsCheckable(id));
    QObject::connect(action, &QAction::triggered, action,
                     [id, &devices]() { RunMenuCommand(id, devices); });
    return action;
}

// The menu bar keeps the mount link of the devices it was built for: the telescope commands
// are enabled by the telescope type in force for it.
constexpr const char* kMountProperty = "vexaMountLink";

const MountLink* MountOf(const QMenuBar* bar) {
    return static_cast<const MountLink*>(bar->property(kMountProperty).value<const void*>());
}

void UpdateAction(QAction* action, const MountLink* mount) {
    const int32_t id = CommandIdOf(action);
    if (id == 0) return;  // a separator or a menu's own action
    const CommandStatus status = QueryCommand(id, mount);
    action->setEnabled(status.enabled);
    if (action->isCheckable()) action->setChecked(status.checked);
}
}  // namespace

void BuildCommandMenu(QMenuBar* bar, const FrontEndDevices& devices) {
    bar->setProperty(kMountProperty, QVariant::fromValue<const void*>(devices.mount));
    for (const MenuEntry& entry : MenuBar()) {
        if (entry.commandId != 0) {
            bar->addAction(MakeCommandAction(TextOf(entry.text), entry.commandId, bar, devices));
            continue;
        }
        QMenu* menu = bar->addMenu(TextOf(entry.text));
        for (const CommandEntry& command : CommandTable()) {
            if (command.menu != entry.id) continue;
            if (command.separatorBefore) menu->addSeparator();
            menu->addAction(MakeCommandAction(TextOf(command.menuText), command.id, menu, devices));
        }
        QObject::connect(menu, &QMenu::aboutToShow, bar, [bar]() { UpdateCommandStates(bar); });
    }
    UpdateCommandStates(bar);
}

void UpdateCommandStates(QMenuBar* bar) {
    const MountLink* mount = MountOf(bar);
    for (QAction* top : bar->actions()) {
        if (QMenu* menu = top->menu()) {
            for (QAction* action : menu->actions()) UpdateAction(action, mount);
        } else {
            UpdateAction(top, mount);
        }
    }
}

QList<QKeySequence> AcceleratorKeys(const AcceleratorEntry& entry) {
    const char upper = (entry.key >= 'a' && entry.key <= 'z') ? entry.key - 'a' + 'A' : entry.key;
    if (upper < 'A' || upper > 'Z') return {};
    const auto key = static_cast<Qt::Key>(Qt::Key_A + (upper - 'A'));
    if (entry.modifier == KeyModifier::Alt) {
        // Alt entries answer the letter in either case, Caps Lock or Shift held.
        return {QKeySequence(QKeyCombination(Qt::AltModifier, key)),
                QKeySequence(QKeyCombination(Qt::AltModifier | Qt::ShiftModifier, key))};
    }
    return {QKeySequence(QKeyCombination(Qt::ControlModifier, key))};
}

QList<QShortcut*> InstallAccelerators(QWidget* window, const FrontEndDevices& devices) {
    QList<QShortcut*> shortcuts;
    for (const AcceleratorEntry& entry : AcceleratorTable()) {
        const int32_t id = entry.commandId;
        for (const QKeySequence& keys : AcceleratorKeys(entry)) {
            auto* shortcut = new QShortcut(keys, window);
            // Any window of the program, modeless dialogs included; a modal dialog blocks it.
            shortcut->setContext(Qt::ApplicationShortcut);
            shortcut->setProperty(kCommandIdProperty, id);
            QObject::connect(shortcut, &QShortcut::activated, window,
                             [id, &devices]() { RunMenuCommand(id, devices); });
            shortcuts.append(shortcut);
        }
    }
    return shortcuts;
}

void RunMenuCommand(int32_t id, const FrontEndDevices& devices) {
    // Greyed items do nothing, whether chosen from the menu or by their accelerator.
    if (QueryCommand(id, devices.mount).enabled) ExecuteCommand(id, devices);
}

}  // namespace vexa
