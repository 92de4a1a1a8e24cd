// The menu bar and the accelerators, both built from the command table: every item runs its
// command through the command dispatch, and each menu asks for enabled and checked states
// just before it opens.
#pragma once

#include <QKeySequence>
#include <QList>
#include <cstdint>

#include "app/front_end_devices.h"
#include "resources/command_table.h"

class QMenuBar;
class QShortcut;
class QWidget;

namespace vexa {

// Name of the property that carries the command id of an accelerator shortcut.
constexpr const char* kCommandIdProperty = "vexaCommandId";

// Fill an empty menu bar: top-level menus and items in table order, separators where the
// table has them. Each action's data is its command id.
void BuildCommandMenu(QMenuBar* bar, const FrontEndDevices& devices);
// Enable and check the actions of the bar's top-level items and of every menu from the
// command status, as is done before a menu opens.
void UpdateCommandStates(QMenuBar* bar);
// One application-wide shortcut per key of the accelerator table, owned by window; an Alt
// letter answers in either letter case.
QList<QShortcut*> InstallAccelerators(QWidget* window, const FrontEndDevices& devices);
// The key sequences that start a command from an accelerator entry.
QList<QKeySequence> AcceleratorKeys(const AcceleratorEntry& entry);
// Run a command from the menu or an accelerator, unless its status greys it.
void RunMenuCommand(int32_t id, const FrontEndDevices& devices = {});

}  // namespace vexa
