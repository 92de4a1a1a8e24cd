// The frame window: the menu bar, the program icon, the opening position and size, and the
// image view as its client.
#pragma once

#include <QIcon>
#include <QMainWindow>
#include <QRect>
#include <QSize>
#include <QTimer>

namespace vexa {

class QtUiServices;
struct FrontEndDevices;
class TVEXA_Q4Window;

class TVEXA_Q4Frame : public QMainWindow {
    Q_OBJECT
  public:
    // Outer size of the frame, title bar and borders included, as far as the window
    // system and the screen allow.
    static constexpr int kFrameWidth = 1330;
    static constexpr int kFrameHeight = 1110;

    // devices: the camera and mount link the menu's commands use, kept by the application for
    // the frame's lifetime.
    TVEXA_Q4Frame(QtUiServices& services, const FrontEndDevices& devices);
    ~TVEXA_Q4Frame() override;

    TVEXA_Q4Window* View() const { return view_; }
    // The outer geometry the frame opens with: at (0, 0) with 1330 x 1110 pixels where the
    // screen's available area allows, else that area's size (the scroll bars and Fit to
    // window show the rest of the image).
    QRect OpeningGeometry() const { return opening_; }

  protected:
    void showEvent(QShowEvent* event) override;
    // Closing while a long operation pumps messages would pull the window from under it: the
    // close stops the operation, as a key press would, and the window closes once the
    // operation has ended.
    void closeEvent(QCloseEvent* event) override;

  private:
    // Once the window manager has added its decorations, shrink the client so that the
    // whole frame keeps the opening size, and put it back at its opening place. The decorations
    // arrive some time after the window is shown, so this looks a few times, then gives up.
    void FitFrameToOpeningSize();
    // A long operation started or ended: the menu shows what may run now (an open menu
    // included), and a close asked for meanwhile goes ahead once none runs.
    void LongOperationChanged();

    TVEXA_Q4Window* view_ = nullptr;
    QRect opening_;
    QTimer fitTimer_;
    int fitAttempts_ = 0;
    bool fitStarted_ = false;
    bool closePending_ = false;
};

// The program icon "Vexa_Q4_USB", read from the first place that has it: next to the
// executable, its resources folder, or the source tree. Empty when none is found.
QIcon LoadProgramIcon();

}  // namespace vexa
