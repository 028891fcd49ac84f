// The front panel's window: per simulated world and module, what the
// inputs see and which conditions the module reports, and what the module
// holds now (settings in force, outputs, counters, status).
#pragma once

#include <array>

#include <QWidget>

class QComboBox;
class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QTimer;

class PanelWindow : public QWidget {
    Q_OBJECT
public:
    explicit PanelWindow(QWidget* parent = nullptr);

    // Looks for the worlds being served again.
    void FindWorlds();
    // Asks the chosen world for its modules' report and shows it.
    void Refresh();

private:
    void Send(const QString& key, const QString& value);
    QString Module() const;

    QComboBox* worlds_;
    QComboBox* modules_;
    std::array<QComboBox*, 6> ain_{};
    std::array<QComboBox*, 2> din_{};
    std::array<QDoubleSpinBox*, 2> rates_{};
    std::array<QCheckBox*, 5> hold_{};
    std::array<QLabel*, 11> report_{};
    QLabel* message_;
    QTimer* timer_;
    int ticks_ = 0;
};
