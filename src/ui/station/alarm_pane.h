#pragma once

#include "alarm/alarm_evaluator.h"

#include <QWidget>
#include <cstdint>
#include <functional>

class QLabel;
class QPushButton;
class QTableWidget;

namespace qor::ui {

// The alarm pane: every alarm that is not normal (active, cleared but unacknowledged, or
// shelved) with its time, source, kind, limit, value and state, and the buttons Acknowledge,
// Acknowledge all and Shelve for… (a choice of times).
class CAlarmPane : public QWidget {
    Q_OBJECT
public:
    explicit CAlarmPane(int lang, QWidget* parent = nullptr);

    void SetLanguage(int lang);
    void Show(const alarm::AlarmEvaluator& alarms);

    // What the buttons ask for: the alarm's id (and the seconds of a shelving).
    std::function<void(int id)> acknowledge;
    std::function<void()> acknowledgeAll;
    std::function<void(int id, std::int64_t seconds)> shelve;

    QTableWidget* Table() const { return m_table; }
    QPushButton* AcknowledgeButton() const { return m_ack; }
    QPushButton* ShelveButton() const { return m_shelve; }
    // The id of the selected row's alarm, -1 when none is selected.
    int SelectedId() const;
    static constexpr std::int64_t kShelveTimes[] = {600, 1800, 3600, 4 * 3600, 8 * 3600};

private:
    void Retranslate();
    void UpdateButtons();

    int m_lang;
    QTableWidget* m_table;
    QPushButton* m_ack;
    QPushButton* m_ackAll;
    QPushButton* m_shelve;
    QLabel* m_empty;
};

}  // namespace qor::ui
