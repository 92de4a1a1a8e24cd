#include "ui/arrow_bar.h"

#include <QEvent>
#include <QObject>
#include <QScrollBar>
#include <utility>

namespace vexa {

namespace {

constexpr int kMiddle = 1;

// Turns the bar's mouse-button release into the release call.
class ReleaseFilter : public QObject {
  public:
    ReleaseFilter(QObject* parent, std::function<void()> release)
        : QObject(parent), release_(std::move(release)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease) release_();
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void()> release_;
};

}  // namespace

QScrollBar* NewArrowBar(QWidget* parent, Qt::Orientation orientation,
                        std::function<void(bool towardEnd)> press, std::function<void()> release,
                        std::function<void()> show) {
    auto* bar = new QScrollBar(orientation, parent);
    bar->setRange(0, 2 * kMiddle);
    bar->setValue(kMiddle);
    bar->setPageStep(1);
    bar->setFocusPolicy(Qt::NoFocus);
    QObject::connect(bar, &QAbstractSlider::actionTriggered, bar,
                     [bar, press = std::move(press), show](int action) {
                         if (action == QAbstractSlider::SliderSingleStepSub) press(false);
                         if (action == QAbstractSlider::SliderSingleStepAdd) press(true);
                         bar->setSliderPosition(kMiddle);
                         show();
                     });
    bar->installEventFilter(new ReleaseFilter(bar, [release = std::move(release), show] {
        release();
        show();
    }));
    return bar;
}

}  // namespace vexa
