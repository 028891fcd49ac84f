// The traffic monitor: every exchange of the request call, whatever window
// made it, in a table that follows the newest row (unless the user scrolled
// up), with pause, clear, filters, per-address figures and a CSV file.  A
// window of its own, not owned by the main window's dialogs: it stays usable
// while a configuration, live or calibration dialog is open.  It reads the
// program's ring a few times a second, and only while it is shown.
#pragma once

#include <functional>

#include <QWidget>

#include "interface/traffic_model.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableView;
class QTableWidget;
class QTimer;

class TFormKomunikace : public QWidget {
    Q_OBJECT

public:
    static constexpr int kRefreshMs = 250;

    explicit TFormKomunikace(const rq36::TrafficRing& ring = rq36::ProgramTraffic(), QWidget* parent = nullptr);
    ~TFormKomunikace() override;

    // Writes the rows shown as CSV; the status line says where, or why not.
    bool SaveCsv(const QString& path);
    // Tests: where "Uložit…" saves instead of asking.
    void SetSavePathSource(std::function<QString()> source) { savePath_ = std::move(source); }

    rq36::TrafficModel* Model() const { return model_; }
    QString StatusText() const;

    QTableView* Table1 = nullptr;
    QTableWidget* Figures1 = nullptr;
    QCheckBox* CheckChyby = nullptr;
    QSpinBox* SpinAdresa = nullptr;
    QComboBox* ComboPrikaz = nullptr;
    QPushButton* ButtonPauza = nullptr;
    QPushButton* ButtonSmazat = nullptr;
    QPushButton* ButtonUlozit = nullptr;
    QTimer* Timer1 = nullptr;

public slots:
    void Timer1Timer();
    void PauzaClick();
    void SmazatClick();
    void UlozitClick();
    void FilterChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void RefreshFigures();
    void SetStatus(const QString& text);

    const rq36::TrafficRing& ring_;
    rq36::TrafficModel* model_;
    QLabel* status_ = nullptr;
    bool paused_ = false;
    int ticks_ = 0;
    std::function<QString()> savePath_;
};
