#include "view/duallightbar.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>

namespace {

QPushButton* stepButton(QWidget* parent, const char* name)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setCursor(Qt::PointingHandCursor);
    button->setAutoRepeat(true); // held down: one step after another
    button->setAutoRepeatDelay(400);
    button->setAutoRepeatInterval(80);
    return button;
}

} // namespace

DualLightBar::DualLightBar(QWidget* parent)
    : QWidget(parent), modeLabel(new QLabel(this)), modes(new QComboBox(this)), up(stepButton(this, "alignUp")),
      down(stepButton(this, "alignDown")), nearer(stepButton(this, "parallaxMore")),
      farther(stepButton(this, "parallaxLess")), reset(new QPushButton(this))
{
    setObjectName(QStringLiteral("dualLightBar"));
    modes->setObjectName(QStringLiteral("fusionMode"));
    modes->setSizeAdjustPolicy(QComboBox::AdjustToContents); // the longest mode name of each language
    reset->setObjectName(QStringLiteral("alignReset"));
    reset->setCursor(Qt::PointingHandCursor);
    for (QPushButton* b : {up, down, nearer, farther, reset})
        b->setFocusPolicy(Qt::NoFocus);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addWidget(modeLabel);
    row->addWidget(modes);
    row->addSpacing(12);
    for (QPushButton* b : {up, down, nearer, farther, reset})
        row->addWidget(b);

    connect(modes, QOverload<int>::of(&QComboBox::activated), this, [this](int index) { emit modeChosen(index + 1); });
    connect(up, &QPushButton::clicked, this, [this] { emit moveRequested(1); });
    connect(down, &QPushButton::clicked, this, [this] { emit moveRequested(0); });
    connect(nearer, &QPushButton::clicked, this, [this] { emit moveRequested(2); });
    connect(farther, &QPushButton::clicked, this, [this] { emit moveRequested(3); });
    connect(reset, &QPushButton::clicked, this, &DualLightBar::resetRequested);
    // Every key press one step, however fast they come (a button's shortcut merges presses
    // into one animated click). Only while the bar is shown.
    const std::pair<Qt::Key, int> keys[] = {{Qt::Key_PageUp, 1}, {Qt::Key_PageDown, 0}, {Qt::Key_Plus, 2}, {Qt::Key_Minus, 3}};
    for (const auto& [key, direction] : keys)
        connect(new QShortcut(QKeySequence(key), this), &QShortcut::activated, this,
                [this, d = direction] { emit moveRequested(d); });
    retranslate();
}

void DualLightBar::setMode(int mode)
{
    if (mode >= 1 && mode <= modes->count())
        modes->setCurrentIndex(mode - 1);
}

int DualLightBar::mode() const
{
    return modes->currentIndex() + 1;
}

void DualLightBar::retranslate()
{
    const int current = modes->currentIndex();
    modes->clear();
    modes->addItems({tr("混合"), tr("均值加权"), tr("细节注入")});
    modes->setCurrentIndex(current < 0 ? 0 : current);
    modeLabel->setText(tr("融合模式"));
    modes->setToolTip(tr("红外与可见光图像的融合方式"));
    up->setText(tr("上移"));
    down->setText(tr("下移"));
    nearer->setText(tr("视差+"));
    farther->setText(tr("视差-"));
    reset->setText(tr("对齐复位"));
    up->setToolTip(tr("红外图像上移一个像素（Page Up）"));
    down->setToolTip(tr("红外图像下移一个像素（Page Down）"));
    nearer->setToolTip(tr("增大视差：物体更近（+键）"));
    farther->setToolTip(tr("减小视差：物体更远（-键）"));
    reset->setToolTip(tr("恢复出厂对齐"));
}
