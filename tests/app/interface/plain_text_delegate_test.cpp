// The table cells the traffic monitor draws as glyph runs: a long text is cut
// inside its cell, alignment is kept, and a character the font lacks still
// gets its cell drawn.
#include <QHeaderView>
#include <QImage>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

#include "interface/plain_text_delegate.h"

namespace {

constexpr int kColumn = 90;

// Whether any pixel of the rectangle differs from the view's base colour.
bool Inked(const QImage& image, const QRect& area, QRgb base) {
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qAbs(qGray(p) - qGray(base)) > 40) return true;
        }
    }
    return false;
}

}  // namespace

class PlainTextDelegateTest : public QObject {
    Q_OBJECT

private slots:
    void CellsStayInsideTheirColumnAndKeepTheirAlignment() {
        QStandardItemModel model(4, 2);
        model.setItem(0, 0, new QStandardItem(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789")));
        model.setItem(1, 0, new QStandardItem(QStringLiteral("AB")));
        auto* right = new QStandardItem(QStringLiteral("12"));
        right->setData(int(Qt::AlignRight | Qt::AlignVCenter), Qt::TextAlignmentRole);
        model.setItem(2, 0, right);
        // A private-use character no font has: the general way draws the rest.
        model.setItem(3, 0, new QStandardItem(QStringLiteral("XY") + QChar(0xE000)));

        QTableView view;
        view.setModel(&model);
        view.setItemDelegate(new rq36::PlainTextDelegate(&view));
        view.setShowGrid(false);
        view.verticalHeader()->hide();
        view.setColumnWidth(0, kColumn);
        view.setColumnWidth(1, kColumn);
        view.resize(3 * kColumn, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        const QImage image = view.viewport()->grab().toImage();
        const QRgb base = view.palette().color(QPalette::Base).rgb();
        const auto cell = [&view](int row, int column) { return view.visualRect(view.model()->index(row, column)); };

        // The long text fills its cell up to the edge (the ellipsis) and not
        // one pixel of the next column.
        QVERIFY(Inked(image, cell(0, 0).adjusted(kColumn - 16, 0, 0, 0), base));
        QVERIFY(!Inked(image, cell(0, 1), base));
        // Left and right alignment.
        QVERIFY(Inked(image, cell(1, 0).adjusted(0, 0, -kColumn / 2, 0), base));
        QVERIFY(!Inked(image, cell(1, 0).adjusted(kColumn / 2, 0, 0, 0), base));
        QVERIFY(Inked(image, cell(2, 0).adjusted(kColumn / 2, 0, 0, 0), base));
        QVERIFY(!Inked(image, cell(2, 0).adjusted(0, 0, -kColumn / 2, 0), base));
        QVERIFY(Inked(image, cell(3, 0), base));
    }
};

QTEST_MAIN(PlainTextDelegateTest)
#include "plain_text_delegate_test.moc"
