// rq36_manual_pdf: lays out the program's manual, kept as Markdown text, and
// writes it as a PDF with a title page, a table of contents and page numbers.
//
//   rq36_manual_pdf <manual.md> <output.pdf> <program version> [picture folder]
//
// The first "# " heading of the text is the manual's title; every further
// first- and second-level heading goes into the contents.  A first-level
// heading starts a new page.  A line "![caption](path)" places a picture
// (path relative to the picture folder, by default the text's own folder)
// with its caption below, on one page; a picture that cannot be read is an
// error, never a gap.
#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QUrl>

namespace {

constexpr int kDpi = 300;
const QColor kAccent(0x22, 0x50, 0x8f);
const QColor kMuted(0x60, 0x60, 0x60);

// Pictures are grabbed from windows at the screen's scale; on paper they
// take their natural size at this resolution, or less where the text width
// or kMaxPictureHeight of the page asks for it, never more.
constexpr double kPictureDpi = 110;
constexpr double kMaxPictureHeight = 0.6;

struct Picture {
    QString caption;
    QImage image;
};

struct Heading {
    int level;
    QString text;
    int page = 0;  // printed page number
};

double Points(double pt) { return pt * kDpi / 72.0; }

QFont TextFont(double pointSize, bool bold = false) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

// A document laid out for pages of the given size on the PDF writer.
void Prepare(QTextDocument& doc, QPdfWriter& writer, const QSizeF& page) {
    doc.documentLayout()->setPaintDevice(&writer);
    doc.setDefaultFont(TextFont(10));
    doc.setDocumentMargin(0);
    doc.setPageSize(page);
}

// Gives headings, paragraphs, lists, tables and code the manual's look.
void Style(QTextDocument& doc) {
    bool firstChapter = true;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        QTextCursor cursor(block);
        QTextBlockFormat format = block.blockFormat();
        const int level = format.headingLevel();
        if (cursor.currentTable() != nullptr) {  // table cells: tight
            format.setTopMargin(0);
            format.setBottomMargin(0);
            cursor.setBlockFormat(format);
            continue;
        }
        if (format.hasProperty(QTextFormat::BlockCodeFence)) {  // commands: one shaded block
            const bool last = !block.next().blockFormat().hasProperty(QTextFormat::BlockCodeFence);
            format.setTopMargin(0);
            format.setBottomMargin(Points(last ? 8 : 0));
            format.setLeftMargin(Points(8));
            format.setBackground(QColor(0xf2, 0xf2, 0xf2));
            cursor.setBlockFormat(format);
            continue;
        }
        if (level > 0) {
            format.setTopMargin(Points(level == 1 ? 0 : 12));
            format.setBottomMargin(Points(level == 1 ? 14 : 6));
            if (level == 1 && !firstChapter) format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            if (level == 1) firstChapter = false;
            cursor.setBlockFormat(format);
            QTextCharFormat chars;
            chars.setFont(TextFont(level == 1 ? 18 : level == 2 ? 13 : 11, true));
            chars.setForeground(kAccent);
            cursor.select(QTextCursor::BlockUnderCursor);
            cursor.mergeCharFormat(chars);
            continue;
        }
        // List items sit close together; the list as a whole is spaced like a paragraph.
        const bool innerItem = block.textList() != nullptr && block.next().textList() == block.textList();
        format.setBottomMargin(Points(innerItem ? 2 : 6));
        format.setLineHeight(115, QTextBlockFormat::ProportionalHeight);
        cursor.setBlockFormat(format);
    }
    // Tables: thin grid, some padding, header row shaded.
    QTextFrame* root = doc.rootFrame();
    for (auto it = root->begin(); !it.atEnd(); ++it) {
        auto* table = qobject_cast<QTextTable*>(it.currentFrame());
        if (table == nullptr) continue;
        QTextTableFormat format = table->format();
        format.setBorder(Points(0.5));
        format.setBorderBrush(QColor(0xa0, 0xa0, 0xa0));
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        format.setBorderCollapse(true);
        format.setCellPadding(Points(2.5));
        format.setCellSpacing(0);
        format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        format.setHeaderRowCount(1);
        format.setTopMargin(Points(2));
        format.setBottomMargin(Points(8));
        table->setFormat(format);
        for (int column = 0; column < table->columns(); ++column) {
            QTextTableCell cell = table->cellAt(0, column);
            QTextCharFormat shade = cell.format();
            shade.setBackground(QColor(0xe6, 0xec, 0xf4));
            cell.setFormat(shade);
        }
    }
}

// The pictures of the text: every line "![caption](path)", its file read
// from `folder`.  False (with a message) when one cannot be read.
bool LoadPictures(const QString& text, const QString& folder, std::map<QString, Picture>& pictures) {
    static const QRegularExpression kLine(QStringLiteral(R"(^!\[([^\]]*)\]\(([^)\s]+)\)[ \t]*$)"),
                                          QRegularExpression::MultilineOption);
    for (auto it = kLine.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QString path = match.captured(2);
        const QString file = QDir(folder).filePath(path);
        QImage image(file);
        if (image.isNull()) {
            const int line = static_cast<int>(text.left(match.capturedStart()).count(QLatin1Char('\n'))) + 1;
            std::fprintf(stderr, "rq36_manual_pdf: line %d: cannot read the picture %s\n", line, qPrintable(file));
            return false;
        }
        pictures[path] = {match.captured(1).trimmed(), image.convertToFormat(QImage::Format_RGB32)};
    }
    return true;
}

// Gives every picture of the document its size and its caption.  The
// blocks of each picture and its caption, in order, go into `placed`.
// False (with a message) for a picture not on a line of its own.
bool PlacePictures(QTextDocument& doc, const std::map<QString, Picture>& pictures, const QSizeF& page,
                   std::vector<std::pair<int, int>>& placed) {
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().isImageFormat()) continue;
            QTextImageFormat format = fragment.charFormat().toImageFormat();
            const auto picture = pictures.find(format.name());
            if (picture == pictures.end() || block.text().trimmed() != QString(QChar::ObjectReplacementCharacter)) {
                std::fprintf(stderr, "rq36_manual_pdf: the picture %s is not on a line of its own\n",
                             qPrintable(format.name()));
                return false;
            }
            const QImage& image = picture->second.image;
            doc.addResource(QTextDocument::ImageResource, QUrl(format.name()), image);
            // Sizes of a picture in the text are in pixels of a 96 dpi
            // screen, which the layout scales to its device.
            const double unit = kDpi / 96.0;
            const QSizeF natural(image.width() * 96.0 / kPictureDpi, image.height() * 96.0 / kPictureDpi);
            const double scale = std::min({1.0, page.width() / unit / natural.width(),
                                           page.height() * kMaxPictureHeight / unit / natural.height()});
            format.setWidth(natural.width() * scale);
            format.setHeight(natural.height() * scale);
            QTextCursor cursor(&doc);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);

            QTextBlockFormat pictureFormat = block.blockFormat();
            pictureFormat.setAlignment(Qt::AlignHCenter);
            pictureFormat.setTopMargin(Points(4));
            pictureFormat.setBottomMargin(Points(3));
            pictureFormat.setLineHeight(100, QTextBlockFormat::ProportionalHeight);
            cursor.setBlockFormat(pictureFormat);
            // The caption: a block of its own below the picture.
            QTextBlockFormat captionFormat;
            captionFormat.setAlignment(Qt::AlignHCenter);
            captionFormat.setBottomMargin(Points(10));
            QTextCharFormat captionChars;
            captionChars.setFont(TextFont(9));
            captionChars.setFontItalic(true);
            captionChars.setForeground(kMuted);
            cursor.movePosition(QTextCursor::EndOfBlock);
            cursor.insertBlock(captionFormat, captionChars);
            cursor.insertText(picture->second.caption);
            placed.emplace_back(block.blockNumber(), block.blockNumber() + 1);
            block = block.next();  // past the caption
            break;
        }
    }
    return true;
}

// Printed page of a block: page index within its document plus the offset.
int PageOf(const QTextDocument& doc, const QTextBlock& block, int firstPage) {
    const QRectF box = doc.documentLayout()->blockBoundingRect(block);
    return firstPage + static_cast<int>((box.top() + 1) / doc.pageSize().height());
}

// The contents: one row per heading, page numbers at the right.
void BuildContents(QTextDocument& toc, const std::vector<Heading>& headings) {
    toc.clear();
    QTextCursor cursor(&toc);
    QTextBlockFormat titleFormat;
    titleFormat.setBottomMargin(Points(14));
    QTextCharFormat titleChars;
    titleChars.setFont(TextFont(18, true));
    titleChars.setForeground(kAccent);
    cursor.setBlockFormat(titleFormat);
    cursor.insertText(QStringLiteral("Obsah"), titleChars);

    QTextTableFormat tableFormat;
    tableFormat.setBorder(0);
    tableFormat.setCellPadding(Points(1));
    tableFormat.setCellSpacing(0);
    tableFormat.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    tableFormat.setColumnWidthConstraints(
        {QTextLength(QTextLength::PercentageLength, 90), QTextLength(QTextLength::PercentageLength, 10)});
    cursor.insertBlock();
    QTextTable* table = cursor.insertTable(static_cast<int>(headings.size()), 2, tableFormat);
    for (int row = 0; row < static_cast<int>(headings.size()); ++row) {
        const Heading& h = headings[static_cast<std::size_t>(row)];
        QTextCharFormat chars;
        chars.setFont(TextFont(h.level == 1 ? 10.5 : 10, h.level == 1));
        QTextCursor left = table->cellAt(row, 0).firstCursorPosition();
        QTextBlockFormat indent;
        indent.setLeftMargin(Points(h.level == 1 ? 0 : 16));
        indent.setTopMargin(Points(h.level == 1 && row > 0 ? 4 : 0));
        left.setBlockFormat(indent);
        left.insertText(h.text, chars);
        QTextCursor right = table->cellAt(row, 1).firstCursorPosition();
        QTextBlockFormat alignRight;
        alignRight.setAlignment(Qt::AlignRight);
        alignRight.setTopMargin(indent.topMargin());
        right.setBlockFormat(alignRight);
        right.insertText(QString::number(h.page), chars);
    }
}

void DrawTitlePage(QPainter& p, const QRectF& area, const QString& title, const QString& version) {
    // A band in the program's colour, the dial of the program's icon, the
    // name and the kind of document.
    p.fillRect(QRectF(area.left(), area.top() + area.height() * 0.22, area.width(), Points(4)), kAccent);
    const QPointF dial(area.center().x(), area.top() + area.height() * 0.12);
    const double r = Points(34);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawRoundedRect(QRectF(dial.x() - r * 1.2, dial.y() - r * 1.1, r * 2.4, r * 2.2), r * 0.35, r * 0.35);
    p.setBrush(Qt::white);
    p.drawPie(QRectF(dial.x() - r, dial.y() - r * 0.6, 2 * r, 2 * r), 0, 180 * 16);
    p.setPen(QPen(QColor(0xe0, 0x40, 0x1c), Points(5), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(dial + QPointF(0, r * 0.4), dial + QPointF(r * 0.62, -r * 0.42));

    auto line = [&](double top, const QString& text, const QFont& font, const QColor& colour) {
        p.setFont(font);
        p.setPen(colour);
        p.drawText(QRectF(area.left(), area.top() + top, area.width(), Points(60)), Qt::AlignHCenter | Qt::AlignTop,
                   text);
    };
    const double y = area.height() * 0.30;
    line(y, QStringLiteral("W_RQ36"), TextFont(36, true), kAccent);
    line(y + Points(58), title, TextFont(18), Qt::black);
    line(y + Points(92), QStringLiteral("Uživatelská příručka"), TextFont(14), kMuted);
    line(area.height() - Points(60), QStringLiteral("Verze programu ") + version, TextFont(11), kMuted);
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: rq36_manual_pdf <manual.md> <output.pdf> <program version> [picture folder]\n");
        return 2;
    }
    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "rq36_manual_pdf: cannot read %s\n", argv[1]);
        return 1;
    }
    QString text = QString::fromUtf8(source.readAll());
    const QString version = QString::fromLocal8Bit(argv[3]);
    const QString pictureFolder =
        argc == 5 ? QString::fromLocal8Bit(argv[4]) : QFileInfo(source.fileName()).absolutePath();
    std::map<QString, Picture> pictures;
    if (!LoadPictures(text, pictureFolder, pictures)) return 1;

    // The first line "# Title" is the title page, not a chapter.
    QString title;
    if (text.startsWith(QStringLiteral("# "))) {
        const qsizetype end = text.indexOf(QLatin1Char('\n'));
        title = text.mid(2, end - 2).trimmed();
        text = text.mid(end + 1);
    }

    // Laid out in memory, then written as one file that replaces the old
    // one only when every byte is out: a full disk leaves no half document.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    QPdfWriter writer(&pdf);
    writer.setResolution(kDpi);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(22, 16, 22, 14),
                                     QPageLayout::Millimeter));
    writer.setTitle(QStringLiteral("W_RQ36 – ") + title);
    writer.setCreator(QStringLiteral("W_RQ36 ") + version);

    const QRectF paper = writer.pageLayout().paintRectPixels(kDpi);
    const double headerHeight = Points(28);
    const double footerHeight = Points(26);
    const QSizeF page(paper.width(), paper.height() - headerHeight - footerHeight);

    QTextDocument body;
    Prepare(body, writer, page);
    body.setMarkdown(text, QTextDocument::MarkdownDialectGitHub);
    Style(body);
    std::vector<std::pair<int, int>> placed;
    if (!PlacePictures(body, pictures, page, placed)) return 1;
    // A picture whose caption would fall on the next page goes there too.
    for (bool moved = true; moved;) {
        moved = false;
        for (const auto& [picture, caption] : placed) {
            const QTextBlock block = body.findBlockByNumber(picture);
            if (PageOf(body, block, 0) == PageOf(body, body.findBlockByNumber(caption), 0)) continue;
            QTextBlockFormat format = block.blockFormat();
            if (format.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore) continue;
            format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            QTextCursor(block).setBlockFormat(format);
            moved = true;
        }
    }

    // Pages: 1 title, then the contents, then the body.  The contents'
    // length depends only on the number of headings, so it is laid out once
    // to count its pages and once more with the real numbers.
    std::vector<Heading> headings;
    for (QTextBlock block = body.begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level == 1 || level == 2) headings.push_back({level, block.text()});
    }
    QTextDocument toc;
    Prepare(toc, writer, page);
    BuildContents(toc, headings);
    const int tocPages = toc.pageCount();
    const int bodyFirst = 2 + tocPages;
    {
        std::size_t i = 0;
        for (QTextBlock block = body.begin(); block.isValid(); block = block.next()) {
            const int level = block.blockFormat().headingLevel();
            if (level == 1 || level == 2) headings[i++].page = PageOf(body, block, bodyFirst);
        }
    }
    BuildContents(toc, headings);
    const int totalPages = 1 + toc.pageCount() + body.pageCount();

    QPainter painter;
    if (!painter.begin(&writer)) {
        std::fprintf(stderr, "rq36_manual_pdf: cannot write %s\n", argv[2]);
        return 1;
    }
    // Pictures as they are, not as JPEG: screenshots of text stay sharp
    // and compress well.
    painter.setRenderHint(QPainter::LosslessImageRendering);
    const QRectF area(0, 0, paper.width(), paper.height());
    DrawTitlePage(painter, area, title, version);

    // The running head names the chapter a page belongs to.
    std::vector<QString> chapterOfPage(static_cast<std::size_t>(totalPages + 1));
    for (const Heading& h : headings) {
        if (h.level != 1) continue;
        for (int p = h.page; p <= totalPages; ++p) chapterOfPage[static_cast<std::size_t>(p)] = h.text;
    }

    int printed = 1;
    auto drawPages = [&](QTextDocument& doc) {
        for (int i = 0; i < doc.pageCount(); ++i) {
            writer.newPage();
            ++printed;
            painter.save();
            painter.setFont(TextFont(8));
            painter.setPen(kMuted);
            const QString chapter = &doc == &toc ? QStringLiteral("Obsah") : chapterOfPage[printed];
            painter.drawText(QRectF(0, 0, area.width(), headerHeight - Points(8)), Qt::AlignLeft | Qt::AlignBottom,
                             QStringLiteral("W_RQ36 – ") + title);
            painter.drawText(QRectF(0, 0, area.width(), headerHeight - Points(8)), Qt::AlignRight | Qt::AlignBottom,
                             chapter);
            painter.setPen(QPen(kMuted, Points(0.4)));
            painter.drawLine(QPointF(0, headerHeight - Points(5)), QPointF(area.width(), headerHeight - Points(5)));
            painter.setPen(kMuted);
            painter.drawText(QRectF(0, area.height() - footerHeight + Points(8), area.width(), footerHeight),
                             Qt::AlignHCenter | Qt::AlignTop,
                             QStringLiteral("Strana %1 z %2").arg(printed).arg(totalPages));
            painter.translate(0, headerHeight - i * page.height());
            doc.drawContents(&painter, QRectF(0, i * page.height(), page.width(), page.height()));
            painter.restore();
        }
    };
    drawPages(toc);
    drawPages(body);
    QSaveFile out(QString::fromLocal8Bit(argv[2]));
    // commit() alone would rename a file whose last bytes the flush inside
    // it could not write.
    if (!painter.end() || !out.open(QIODevice::WriteOnly) || out.write(pdf.data()) != pdf.data().size() ||
        !out.flush() || !out.commit()) {
        std::fprintf(stderr, "rq36_manual_pdf: cannot write %s\n", argv[2]);
        return 1;
    }
    std::printf("%s: %d pages\n", argv[2], totalPages);
    return 0;
}
