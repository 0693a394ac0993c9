#include "volume/volumebar.h"

#include "volume/alsamixer.h"

#include <QCursor>

#include <utility>

VolumeBar::VolumeBar(QProgressBar *bar, ControllerFactory makeController)
    : m_bar(bar), m_makeController(std::move(makeController))
{
}

QProgressBar *VolumeBar::bar() const
{
    return m_bar;
}

void VolumeBar::StartUp()
{
    quint32 volume = MasterVolume::NoValue;
    if (auto controller = m_makeController ? m_makeController() : nullptr) {
        controller->Enable();
        volume = controller->GetVolume();
    }
    if (!m_bar)
        return;
    m_bar->setRange(0, RangeMaximum);
    setPosition(volume);
}

void VolumeBar::OnLeftButtonUp()
{
    if (!m_bar)
        return;
    // Where the cursor is now counts, not where the message says it was.
    const QRect rect = windowRect();
    const QPoint cursor = QCursor::pos();
    if (!rect.contains(cursor))
        return;
    auto controller = m_makeController ? m_makeController() : nullptr;
    if (controller)
        controller->Enable();
    m_bar->setRange(0, RangeMaximum);
    // The quotient is truncated before it is multiplied, so the last pixel
    // stays short of the maximum: a bar 125 pixels wide gives steps of 524.
    const quint32 step = quint32(RangeMaximum / rect.width());
    const quint32 value = step * quint32(cursor.x() - rect.left());
    setPosition(value);
    // The bar moves even where the controller ignores the value.
    if (controller)
        controller->SetVolume(value);
}

void VolumeBar::OnOwnLeftButtonUp()
{
    if (!m_bar || !windowRect().contains(QCursor::pos()))
        return;
    if (auto controller = m_makeController ? m_makeController() : nullptr)
        controller->Enable();
}

void VolumeBar::Invalidate()
{
    ++m_invalidations;
    if (m_bar)
        m_bar->update();
}

QRect VolumeBar::windowRect() const
{
    return QRect(m_bar->mapToGlobal(QPoint(0, 0)), m_bar->size());
}

// A position outside the range is pinned to its nearer end, so that "no
// volume" (all ones, -1 as a position) shows the bar empty. A progress bar
// left to itself would ignore it and keep its old position.
void VolumeBar::setPosition(quint32 volume)
{
    const qint32 position = static_cast<qint32>(volume);
    m_bar->setValue(qBound(0, position, RangeMaximum));
}

VolumeBar::ControllerFactory alsaVolumeControllerFactory()
{
    return [] { return std::make_unique<MasterVolume>(std::make_shared<AlsaMixer>()); };
}
