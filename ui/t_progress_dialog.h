// The modeless "Filter Progress" window shown during long passes: a horizontal bar between
// "0%" and "100%" and a title the pass may replace. Passes do not run the event loop, so the
// window repaints itself at once whenever it changes. It always stands in the same place,
// centred on its parent's window and kept on the screen, so other windows can keep clear of it.
#pragma once

#include <QDialog>
#include <QRect>
#include <string>

class QProgressBar;

namespace vexa {

// The largest position any pass sends: 256 is a finished capture phase; the filters' row
// positions stop just above it and are held at the end.
constexpr int kProgressBarMaximum = 256;

class TProgressDialog : public QDialog {
    Q_OBJECT
  public:
    explicit TProgressDialog(QWidget* parent = nullptr);

    // The outer geometry a progress window for this parent takes on the screen.
    static QRect PlacedFrame(QWidget* parent);

    // Positions outside 0..256 are held at the nearer end.
    void SetPosition(int position);
    void SetTitle(const std::string& title);
    QProgressBar* Bar() const { return bar_; }

  private:
    QProgressBar* bar_ = nullptr;
    QRect frame_;
};

}  // namespace vexa
