// The recorder window ("Záznam a graf"): channels, the sampling interval
// (never below what the line allows for them), a CSV file chosen at the
// start (or none) with optional parts per hour or per size, start and stop,
// and the plot of the recording with its markers and a PNG of it.  A window
// of its own, like the traffic monitor: the main window's dialogs, which
// block only the main window, leave it usable, and it records on while they
// are open.  The sampling and the file are the core's RecordingSession and
// CsvRecording; the window drives them from its event loop, one exchange at
// a time.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QWidget>

#include "connection_settings.h"
#include "live/recorder.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTimer;

namespace rq36 {
class PlotWidget;
}

class TFormZaznam : public QWidget {
    Q_OBJECT

public:
    // The plot and the status line are refreshed this often while recording.
    static constexpr int kRefreshMs = 200;
    static constexpr int kDefaultIntervalMs = 1000;

    // settings: the program's record (not owned, may be null: nothing is
    // recorded); link: the module behind the requests (not owned), null for
    // the record's bound library.
    explicit TFormZaznam(rq36::ConnectionSettings* settings, rq36::ModuleLink* link = nullptr,
                         QWidget* parent = nullptr);
    ~TFormZaznam() override;

    // Tests: where the CSV file and the picture go instead of asking (an
    // empty text: the user cancelled the dialog).
    void SetCsvPathSource(std::function<QString()> source) { csvPath_ = std::move(source); }
    void SetImagePathSource(std::function<QString()> source) { imagePath_ = std::move(source); }

    bool Recording() const { return session_ != nullptr; }
    // The channels ticked, in the table's order.
    std::vector<rq36::Channel> ChosenChannels() const;
    // Ticks the channels named (and no others).
    void ChooseChannels(const QStringList& names);
    QString StatusText() const;
    const rq36::RecordingSession* Session() const { return session_.get(); }
    const rq36::CsvRecording* Csv() const { return csv_.get(); }

    rq36::PlotWidget* Plot1 = nullptr;
    QSpinBox* SpinInterval = nullptr;
    QLabel* LabelNejkratsi = nullptr;
    QCheckBox* CheckSoubor = nullptr;
    QComboBox* ComboDeleni = nullptr;
    QSpinBox* SpinVelikost = nullptr;
    QPushButton* ButtonStart = nullptr;
    QPushButton* ButtonStop = nullptr;
    QPushButton* ButtonKonec = nullptr;
    QPushButton* ButtonZnacky = nullptr;
    QPushButton* ButtonObrazek = nullptr;
    QTimer* Timer1 = nullptr;  // the next step of the sampling
    QTimer* Timer2 = nullptr;  // the plot's and the status line's refresh

public slots:
    void StartClick();
    void StopClick();
    void ObrazekClick();
    void Timer1Timer();
    void Timer2Timer();
    // Channels or the record's speed changed: the shortest interval again.
    void RefreshMinimalInterval();
    void UpdateButtons();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Stop(const QString& status);
    void SetStatus(const QString& text);
    QString RunningText() const;
    void Take(const rq36::RecordedSample& sample);

    rq36::ConnectionSettings* settings_;
    rq36::ModuleLink* link_;
    std::unique_ptr<rq36::BoundModuleLink> boundLink_;
    std::vector<std::int32_t> response_;
    std::vector<rq36::Channel> offered_;
    std::vector<QCheckBox*> checks_;
    std::unique_ptr<rq36::RecordingSession> session_;
    std::unique_ptr<rq36::CsvRecording> csv_;
    std::vector<float> row_;
    QLabel* status_ = nullptr;
    bool stepping_ = false;
    // A stop asked for while an exchange was under way, and its status text.
    std::optional<QString> pendingStop_;
    std::function<QString()> csvPath_;
    std::function<QString()> imagePath_;
};
