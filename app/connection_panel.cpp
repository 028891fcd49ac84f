#include "connection_panel.h"

#include <QAction>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "elided_label.h"

ConnectionPanel::ConnectionPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ConnectionPanel"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(12, 10, 12, 10);
    outer->setSpacing(10);

    auto* group = new QGroupBox(QStringLiteral("Připojení"), this);
    group->setObjectName(QStringLiteral("ConnectionGroup"));
    auto* groupLayout = new QVBoxLayout(group);
    rows_ = new QGridLayout;
    rows_->setHorizontalSpacing(16);
    rows_->setVerticalSpacing(4);
    rows_->setColumnStretch(1, 1);
    groupLayout->addLayout(rows_);
    connectionButtons_ = new QHBoxLayout;
    groupLayout->addSpacing(6);
    groupLayout->addLayout(connectionButtons_);
    outer->addWidget(group);
    outer->addStretch(1);
}

void ConnectionPanel::ShowRows(const std::vector<rq36::OverviewRow>& rows) {
    while (names_.size() < rows.size()) {
        const int row = static_cast<int>(names_.size());
        auto* name = new QLabel(this);
        auto* value = new ElidedLabel(this);
        value->setObjectName(QStringLiteral("ConnectionValue%1").arg(row));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        rows_->addWidget(name, row, 0);
        rows_->addWidget(value, row, 1);
        names_.push_back(name);
        values_.push_back(value);
    }
    for (std::size_t i = 0; i < names_.size(); ++i) {
        const bool used = i < rows.size();
        names_[i]->setVisible(used);
        values_[i]->setVisible(used);
        if (!used) continue;
        names_[i]->setText(rows[i].label + QLatin1Char(':'));
        values_[i]->SetText(rows[i].value);
    }
}

void ConnectionPanel::AddButtons(const QString& title, std::initializer_list<QAction*> actions) {
    QHBoxLayout* line = connectionButtons_;
    if (!title.isEmpty()) {
        auto* group = new QGroupBox(title, this);
        line = new QHBoxLayout(group);
        auto* outer = static_cast<QVBoxLayout*>(layout());
        outer->insertWidget(outer->count() - 1, group);  // before the stretch
    }
    for (QAction* action : actions) {
        auto* button = new QPushButton(action->text(), this);
        button->setObjectName(action->objectName() + QStringLiteral("Button"));
        connect(button, &QPushButton::clicked, action, &QAction::trigger);
        line->addWidget(button);
    }
    line->addStretch(1);
}

QString ConnectionPanel::RowValue(const QString& label) const {
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (names_[i]->isVisibleTo(this) && names_[i]->text() == label + QLatin1Char(':')) return values_[i]->text();
    return {};
}

QPushButton* ConnectionPanel::ButtonFor(const QAction* action) const {
    return findChild<QPushButton*>(action->objectName() + QStringLiteral("Button"));
}
