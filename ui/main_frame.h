// The frame window: the menu bar, the program icon, the opening position and size, and the
// image view as its client.
#pragma once

#include <QIcon>
#include <QMainWindow>
#include <QSize>
#include <QTimer>

namespace vexa {

class QtUiServices;
class TVEXA_Q4Window;

class TVEXA_Q4Frame : public QMainWindow {
    Q_OBJECT
  public:
    // Outer size of the frame, title bar and borders included, as far as the window
    // system allows.
    static constexpr int kFrameWidth = 1330;
    static constexpr int kFrameHeight = 1110;

    explicit TVEXA_Q4Frame(QtUiServices& services);

    TVEXA_Q4Window* View() const { return view_; }

  protected:
    void showEvent(QShowEvent* event) override;
    // Closing while a long operation pumps messages would pull the window from under it: the
    // close stops the operation instead, as a key press would, and the window stays.
    void closeEvent(QCloseEvent* event) override;

  private:
    // Once the window manager has added its decorations, shrink the client so that the
    // whole frame keeps the opening size, and put it back at (0, 0). The decorations arrive
    // some time after the window is shown, so this looks a few times, then gives up.
    void FitFrameToOpeningSize();

    TVEXA_Q4Window* view_ = nullptr;
    QTimer fitTimer_;
    int fitAttempts_ = 0;
    bool fitStarted_ = false;
};

// The program icon "Vexa_Q4_USB", read from the first place that has it: next to the
// executable, its resources folder, or the source tree. Empty when none is found.
QIcon LoadProgramIcon();

}  // namespace vexa
