// The diagnostic window of one handle: identification, configuration,
// statistics and the two histories in five grids, the clear buttons and the
// log file.  Thin: every text comes from diagnostic_sheet.h.
#pragma once

#include <QPointer>
#include <QWidget>

#include "diagnostic_sheet.h"
#include "diagnostic_window.h"

class QLabel;
class QPushButton;
class QScrollArea;
class QShowEvent;
class QTableView;
class QTimer;

namespace orsg {

class GridModel;

class TForm1 final : public QWidget {
public:
    explicit TForm1(LibraryState& state);
    ~TForm1() override;

    // Refreshes every changing value: configuration, statistics, histories.
    void VypisOkna();
    void FormShow();
    void Timer1Timer();
    void Button1Click();  // clear statistics
    void Button2Click();  // clear recent history
    void Button3Click();  // clear error history
    void Button4Click();  // save the log file

    // The grids' texts as they stand.
    const DiagnosticSheet& Sheet() const { return sheet_; }
    // The message of the last log file that could not be written, else empty.
    const QString& LogError() const { return logError_; }
    // The full name of the last log file written, else empty.
    const QString& LogPath() const { return logPath_; }

    QTableView* StringGrid1 = nullptr;
    QTableView* StringGrid2 = nullptr;
    QTableView* StringGrid3 = nullptr;
    QTableView* StringGrid4 = nullptr;
    QTableView* StringGrid5 = nullptr;
    QLabel* Label39 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;
    QTimer* Timer1 = nullptr;
    QScrollArea* ScrollBox = nullptr;  // the page of every control

protected:
    void showEvent(QShowEvent* event) override;

private:
    void RefreshGrids(bool headersToo);

    LibraryState* state_;
    DiagnosticSheet sheet_;
    std::string decimalPoint_;
    GridModel* models_[5] = {};
    QString logError_;
    QString logPath_;
};

// The window behind a handle's DiagnosticWindow.  The form is a top-level
// widget of the host's application; it is deleted with the handle, unless the
// application (and the form with it) is already gone.
class QtDiagnosticWindow final : public DiagnosticWindow {
public:
    explicit QtDiagnosticWindow(LibraryState& state);
    ~QtDiagnosticWindow() override;
    void Show() override;
    TForm1* Form() const { return form_.data(); }

private:
    QPointer<TForm1> form_;
};

}  // namespace orsg
