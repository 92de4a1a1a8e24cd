// Printing through Qt (CUPS underneath): the view bitmap file "c:\VEXAQ4.bmp" as the last
// refresh wrote it, scaled to fit the page, and the printer set-up kept for the session.
#pragma once

#include <QImage>
#include <QString>

#include "app/present_services.h"
#include "session/ui_services.h"

class QPrinter;
class QWidget;

namespace vexa {

// The printer that set-up and printing share for the whole session.
QPrinter& SessionPrinter();
// True when the system has at least one printer.
bool PrintersInstalled();
// Draw the image on one page of the printer, as large as fits and centred, keeping its
// proportions and its pixels sharp. False when the printer cannot be painted on.
bool PaintImageOnPrinter(const QImage& image, QPrinter& printer);
// Read the bitmap file, ask with the print dialog and print it.
PresentServices::PrintStatus PrintBitmapFile(const QString& path, QWidget* parent);
// The page set-up of the session printer.
PresentServices::PrintStatus RunPrintSetup(QWidget* parent);
// The clipboard: the indexed image with its colour table (as an image and as an 8-bit BMP).
// False when there is no image.
bool CopyViewToClipboard(const QImage& image);

}  // namespace vexa
