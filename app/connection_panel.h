// The main window's client area: the connection at a glance (the rows that
// ConnectionOverviewRows composes) and buttons for what a user opens most,
// each triggering the menu's own item.
#pragma once

#include <initializer_list>
#include <vector>

#include <QWidget>

#include "interface/connection_overview.h"

class ElidedLabel;
class QAction;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QPushButton;

class ConnectionPanel : public QWidget {
    Q_OBJECT

public:
    explicit ConnectionPanel(QWidget* parent = nullptr);

    // Shows the rows; labels are reused, so a refresh only sets texts.
    void ShowRows(const std::vector<rq36::OverviewRow>& rows);
    // A row of buttons under the rows (title empty) or in a group of its own;
    // each button has its item's caption and triggers it.
    void AddButtons(const QString& title, std::initializer_list<QAction*> actions);

    // The value shown beside a row's label, or a null string.
    QString RowValue(const QString& label) const;
    // The button of an item (its object name plus "Button"), or null.
    QPushButton* ButtonFor(const QAction* action) const;

private:
    QGridLayout* rows_;
    QHBoxLayout* connectionButtons_;
    std::vector<QLabel*> names_;
    std::vector<ElidedLabel*> values_;
};
