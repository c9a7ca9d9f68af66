#include "ui/shell/live_views.h"

#include "catalogue/catalogue.h"
#include "station/digital_mess_view_model.h"
#include "station/station.h"
#include "ui/shell/meter_windows.h"
#include "ui/station/digital_mess_view.h"

namespace qor::ui {

LiveViews::LiveViews(station::Station& station, MeterWindows& meters) : m_station(station), m_meters(meters)
{
    m_station.Measurements().Subscribe(this);
}

LiveViews::~LiveViews()
{
    m_station.Measurements().Unsubscribe(this);
}

void LiveViews::OnMeasurement(const station::Measurement& m)
{
    m_last = m;
    for (int a = 0; a < 16; ++a)
        ShowLast(a);
}

void LiveViews::Relabel()
{
    if (m_last) {
        m_station.Describe(*m_last);
        for (int a = 0; a < 16; ++a)
            ShowLast(a);
        return;
    }
    // Nothing measured yet: the titles alone follow the language.
    for (int a = 0; a < 16; ++a) {
        CDigitalMessView* view = m_meters.View(a);
        if (!view)
            continue;
        const QString title = QString::fromStdString(station::DigitalViewTitle(
            static_cast<std::uint8_t>(a),
            catalogue::ModuleName(m_station.Modules()[static_cast<std::size_t>(a)])));
        view->SetTitle(title);
        if (QWidget* frame = view->parentWidget())
            frame->setWindowTitle(title);
    }
}

void LiveViews::ShowLast(int address)
{
    CDigitalMessView* view = m_meters.View(address);
    if (view && m_last)
        view->Refresh(m_last->modules[static_cast<std::size_t>(address & 15)],
                      m_station.PotentiostatRunning());
}

}  // namespace qor::ui
