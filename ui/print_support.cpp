#include "ui/print_support.h"
#include "app/present_services.h"

#include <QBuffer>
#include <QByteArray>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace vexa {

namespace {
constexpr const char* kBmpMimeType = "image/bmp";
}  // namespace

QPrinter& SessionPrinter() {
    // Made on first use and kept until the process ends, so that the set-up chosen carries
    // over to every later print; never destroyed after the application object.
    static QPrinter* printer = new QPrinter(QPrinter::HighResolution);
    return *printer;
}

bool PrintersInstalled() {
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

bool PaintImageOnPrinter(const QImage& image, QPrinter& printer) {
    if (image.isNull()) return false;
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    // The device's size is the printable area of the page, with the painter's origin at its
    // top-left corner.
    const QSize area(printer.width(), printer.height());
    const QSize size = image.size().scaled(area, Qt::KeepAspectRatio);
    const QRect target(
        QPoint((area.width() - size.width()) / 2, (area.height() - size.height()) / 2), size);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);  // stars stay crisp
    painter.drawImage(target, image);
    return painter.end();
}

PresentServices::PrintStatus PrintBitmapFile(const QString& path, QWidget* parent) {
    using Status = PresentServices::PrintStatus;
    const QImage image(path);
    if (image.isNull()) return Status::UnreadableFile;
    if (!PrintersInstalled()) return Status::NoPrinter;
    QPrinter& printer = SessionPrinter();
    printer.setDocName(QFileInfo(path).fileName());
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted) return Status::Cancelled;
    return PaintImageOnPrinter(image, printer) ? Status::Done : Status::Failed;
}

PresentServices::PrintStatus RunPrintSetup(QWidget* parent) {
    using Status = PresentServices::PrintStatus;
    if (!PrintersInstalled()) return Status::NoPrinter;
    QPageSetupDialog dialog(&SessionPrinter(), parent);
    return dialog.exec() == QDialog::Accepted ? Status::Done : Status::Cancelled;
}

bool CopyViewToClipboard(const QImage& image) {
    if (image.isNull()) return false;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) return false;
    auto* data = new QMimeData;
    data->setImageData(image);
    // The 8-bit bitmap itself, colour table included, for programs that take bitmaps.
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    if (image.save(&buffer, "BMP")) data->setData(kBmpMimeType, bmp);
    clipboard->setMimeData(data);  // the clipboard takes ownership
    return true;
}

}  // namespace vexa
