#include "ui/t_box_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

#include "ui/arrow_bar.h"

namespace vexa {

namespace {
constexpr int kBarLengthPx = 160;
}  // namespace

TBoxDialog::TBoxDialog(ControlBoxDialogModel& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    auto show = [this] { Redisplay(); };
    eastWest_ = NewArrowBar(
        this, Qt::Horizontal,
        [this](bool right) { model_.PressArrow(right ? MoveArrow::Right : MoveArrow::Left); },
        [this] { model_.ReleaseArrow(); }, show);
    northSouth_ = NewArrowBar(
        this, Qt::Vertical,
        [this](bool down) { model_.PressArrow(down ? MoveArrow::Down : MoveArrow::Up); },
        [this] { model_.ReleaseArrow(); }, show);
    eastWest_->setMinimumWidth(kBarLengthPx);
    northSouth_->setMinimumHeight(kBarLengthPx);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Up"), this), 0, 3, Qt::AlignHCenter);
    grid->addWidget(northSouth_, 1, 3, 3, 1, Qt::AlignHCenter);
    grid->addWidget(new QLabel(QStringLiteral("Down"), this), 4, 3, Qt::AlignHCenter);
    grid->addWidget(new QLabel(QStringLiteral("Left"), this), 2, 0);
    grid->addWidget(eastWest_, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Right"), this), 2, 2);
    auto* finished = new QPushButton(QStringLiteral("Finished"), this);
    finished->setAutoDefault(false);
    connect(finished, &QPushButton::clicked, this, &QDialog::accept);
    grid->addWidget(finished, 5, 0, 1, 4, Qt::AlignRight);
    Redisplay();
}

void TBoxDialog::Redisplay() {
    setWindowTitle(QString::fromLatin1(model_.Title()));
}

}  // namespace vexa
