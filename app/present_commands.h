// The main window's presentation services: copying the view to the clipboard, printing the
// view bitmap and the printer set-up, the help pages and the about box.
#pragma once

namespace vexa {

// "Help About Vexa_Q4_USB": the description and the three lines under it.
constexpr const char* kAboutTitle = "Help About Vexa_Q4_USB";
constexpr const char* kAboutDescription =
    "Vexa_Q4_USB Image processing software for use with Corvane TQ cameras";
constexpr const char* kAboutVersion = "Version 1.0";
constexpr const char* kAboutReleaseDate = "Released December 2026";
constexpr const char* kAboutNotice = "Copyright (C) 2026 Corvane. All rights reserved.";

// The box shown when the help pages cannot be opened (stop icon, owned by the main window).
constexpr const char* kHelpFailedCaption = "VEXA_Q4";
constexpr const char* kHelpFailedText = "WinHelp failed!";

// Reports of the commands that have nothing to act on or cannot reach a printer.
constexpr const char* kNothingToCopyText = "Sorry, there is no image to copy";
constexpr const char* kNothingToPrintText = "Sorry, there is no image to print";
constexpr const char* kNoPrinterText = "Sorry, no printer is installed";
constexpr const char* kPrintFailedText = "Sorry, the image could not be printed";

void CmdCopy();        // 17999: the view bitmap with its colours onto the clipboard
void CmdPrint();       // 116: print "c:\VEXAQ4.bmp" as the last refresh wrote it
void CmdPrintSetup();  // 114: the printer set-up
void CmdHelp();        // 112: the help pages at their contents
void CmdAbout();       // 113: the about box

}  // namespace vexa
