// The braid picture, pixel by pixel, and the "Braid Information" dialog.
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>
#include <string>
#include <vector>

#include "engine/points.h"
#include "pipeline/session.h"
#include "tracing/braid.h"
#include "views/windows/braid_info_dialog.h"
#include "views/windows/braid_picture.h"
#include "views/windows/solution_colours.h"

using namespace quorvel;

namespace {

const QColor red = solutionColour(0);
const QColor green = solutionColour(1);
const QColor white(255, 255, 255);

// A pixel of the colour within `radius` of the point.
bool colourNear(const QImage &image, QPoint at, const QColor &colour, int radius = 1) {
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx)
            if (image.pixelColor(at + QPoint(dx, dy)) == colour) return true;
    return false;
}

bool anyDark(const QImage &image, const QRect &box) {
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if (qGray(image.pixel(x, y)) < 100) return true;
    return false;
}

QImage render(const BraidPicture &picture) {
    QImage image(520, 620, QImage::Format_RGB32);
    image.fill(QColor(200, 200, 200));
    QPainter painter(&image);
    picture.paint(painter);
    return image;
}

struct Probe {
    QPoint at;
    QColor colour;
    bool present;
};

struct PictureCase {
    const char *name;
    std::vector<QString> names;
    std::vector<int32_t> word;
    std::vector<Probe> probes;
};

}  // namespace

class BraidInfoTest : public QObject {
    Q_OBJECT

private slots:
    void pictureDrawsCrossingsWithGaps();
    void pictureLabelsTheColumnsRightToLeft();
    void pictureOfAnEmptyWordIsBlank();
    void dialogShowsTextsAndPicture();
    void dialogOpensOnceAndOkClosesIt();
    void dialogKeepsTheTraceItWasOpenedFor();
};

void BraidInfoTest::pictureDrawsCrossingsWithGaps() {
    // Two points: column 0 starts green (point 1), column 1 red (point 0);
    // dx = 430, dy = 340 / m. The right-to-left strand of +1 runs from
    // (470, 230) to (40, 570) and misses its middle (0.3 to 0.7); the
    // left-to-right one runs whole from (40, 230) to (470, 570). At 0.4 of
    // the way they are at (298, 366) and (212, 366).
    const std::vector<PictureCase> cases = {
        {"+1: the red strand has the gap",
         {"1", "2"},
         {+1},
         {{{212, 366}, green, true},
          {{255, 400}, green, true},
          {{298, 366}, red, false},
          {{298, 366}, white, true},
          {{405, 281}, red, true},
          {{105, 519}, red, true}}},
        {"-1: the green strand has the gap",
         {"1", "2"},
         {-1},
         {{{298, 366}, red, true},
          {{255, 400}, red, true},
          {{212, 366}, green, false},
          {{212, 366}, white, true},
          {{105, 281}, green, true}}},
        {"+1,+1: colours are exchanged at every crossing",
         // dy = 170: the second row starts at 400, with red on the left.
         {"1", "2"},
         {+1, +1},
         {{{83, 417}, red, true}, {{427, 417}, green, true}, {{83, 417}, green, false}}},
        {"three points, +2 crosses the two right columns",
         // dx = 215: columns at 40 (point 3, blue), 255 (green), 470 (red).
         {"1", "2", "3"},
         {+2},
         {{{40, 400}, solutionColour(2), true},
          {{362, 400}, green, true},
          {{362, 400}, red, false}}},
        {"a single point is one straight strand",
         {"1"},
         {+1},
         {{{40, 300}, red, true}, {{40, 560}, red, true}, {{255, 400}, red, false}}},
        {"a generator beyond the points leaves the strands straight",
         {"1", "2"},
         {+3},
         {{{40, 400}, green, true}, {{470, 400}, red, true}, {{255, 400}, white, true}}},
        {"more generators than pixel rows still reach the bottom",
         {"1", "2"},
         std::vector<int32_t>(400, +3),
         {{{40, 300}, green, true}, {{40, 568}, green, true}, {{470, 568}, red, true}}},
    };
    for (const PictureCase &c : cases) {
        const QImage image = render(BraidPicture{c.names, c.word});
        for (const Probe &p : c.probes) {
            const bool seen = colourNear(image, p.at, p.colour);
            QVERIFY2(seen == p.present,
                     qPrintable(QStringLiteral("%1: %2 at (%3, %4) expected %5")
                                    .arg(QString::fromLatin1(c.name), p.colour.name())
                                    .arg(p.at.x())
                                    .arg(p.at.y())
                                    .arg(p.present ? QStringLiteral("present")
                                                   : QStringLiteral("absent"))));
        }
        // Nothing is drawn outside the white area.
        QCOMPARE(image.pixelColor(25, 400), QColor(200, 200, 200));
        QCOMPARE(image.pixelColor(485, 400), QColor(200, 200, 200));
    }
}

void BraidInfoTest::pictureLabelsTheColumnsRightToLeft() {
    // Names are drawn at (35 + k dx, 210): "B" over column 0, "A" over column 1.
    BraidPicture picture{{QStringLiteral("A"), QString()}, {+1}};
    QImage image = render(picture);
    QVERIFY(!anyDark(image, QRect(35, 210, 20, 16)));
    QVERIFY(anyDark(image, QRect(465, 210, 15, 16)));
    picture.names = {QString(), QStringLiteral("B")};
    image = render(picture);
    QVERIFY(anyDark(image, QRect(35, 210, 20, 16)));
    QVERIFY(!anyDark(image, QRect(465, 210, 15, 16)));
}

void BraidInfoTest::pictureOfAnEmptyWordIsBlank() {
    for (const std::vector<QString> &names :
         {std::vector<QString>{QStringLiteral("1"), QStringLiteral("2")}, std::vector<QString>{}}) {
        const QImage image = render(BraidPicture{names, {}});
        for (int y = BraidPicture::area.top(); y <= BraidPicture::area.bottom(); y += 7)
            for (int x = BraidPicture::area.left(); x <= BraidPicture::area.right(); x += 7)
                QCOMPARE(image.pixelColor(x, y), white);
        QCOMPARE(image.pixelColor(29, 199), QColor(200, 200, 200));
    }
    // No points but a word: only the white area.
    const QImage image = render(BraidPicture{{}, {+1}});
    QCOMPARE(image.pixelColor(40, 300), white);
}

namespace {

// Gives the session a fiber of points numbered 0, 1, ... with the names.
void nameFiber(Session &session, const std::vector<const char *> &names) {
    PointList fiber = nullptr;
    for (size_t i = 0; i < names.size(); ++i) appendPoint(fiber, Complex(static_cast<double>(i), 0));
    numberPoints(fiber, 0);
    session.state.fiber.reset(fiber);
    for (size_t i = 0; i < names.size(); ++i)
        setPointName(findByNumber(fiber, static_cast<int>(i)), names[i]);
}

}  // namespace

void BraidInfoTest::dialogShowsTextsAndPicture() {
    Session session;
    nameFiber(session, {"A", "B", "C"});
    appendGenerator(session.run.braidWord, 12);
    appendGenerator(session.run.braidWord, -1);
    BraidInfoDialog dialog(session, {1, 0, 2, -1});
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Braid Information"));
    QCOMPARE(dialog.findChild<QPlainTextEdit *>(QStringLiteral("edit1010"))->toPlainText(),
             QStringLiteral("A->B->A,C->C,"));
    QCOMPARE(dialog.findChild<QPlainTextEdit *>(QStringLiteral("edit1064"))->toPlainText(),
             QStringLiteral("+12,-1,"));
    // The texts stay above the picture, and the picture fits the dialog.
    for (const char *name : {"edit1010", "edit1064"})
        QVERIFY(dialog.findChild<QPlainTextEdit *>(QString::fromLatin1(name))->geometry().bottom() <
                BraidPicture::area.top());
    QVERIFY(dialog.width() > BraidPicture::area.right());
    QVERIFY(dialog.height() > BraidPicture::area.bottom());

    // The picture is painted by the dialog: -1 on columns 0 and 1 (of three,
    // dx = 215) after the out-of-range 12 draws the right-hand strand whole.
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QImage shot = dialog.grab().toImage();
    QVERIFY(colourNear(shot, QPoint(470, 300), red));
    QVERIFY(colourNear(shot, QPoint(40, 300), solutionColour(2)));
    // Column 1 (green, index 1) crosses to the left whole under -1: at the
    // middle of the second row, halfway from 255 to 40.
    QVERIFY(colourNear(shot, QPoint(148, 485), green));
}

void BraidInfoTest::dialogOpensOnceAndOkClosesIt() {
    Session session;
    nameFiber(session, {"1", "2"});
    QPointer<BraidInfoDialog> first = openBraidInfo(session, {1, 0, -1});
    QVERIFY(first);
    QCOMPARE(openBraidInfoDialog(), first.data());
    QCOMPARE(openBraidInfo(session, {0, 1, -1}), nullptr);
    QCOMPARE(first->permutationText(), QStringLiteral("1->2->1,"));
    QCOMPARE(first->braidText(), QStringLiteral("NULL"));
    // Nothing was traced: nothing says the braid was checked.
    QVERIFY2(!first->checksText().startsWith(QStringLiteral("verified")), qPrintable(first->checksText()));

    QTest::mouseClick(first->findChild<QPushButton *>(QStringLiteral("button1")), Qt::LeftButton);
    QCOMPARE(openBraidInfoDialog(), nullptr);
    QTRY_VERIFY(first.isNull());

    // The close box ends it the same way.
    QPointer<BraidInfoDialog> second = openBraidInfo(session, {0, 1, -1});
    QVERIFY(second);
    QCOMPARE(second->permutationText(), QStringLiteral("1->1,2->2,"));
    second->close();
    QCOMPARE(openBraidInfoDialog(), nullptr);
    QTRY_VERIFY(second.isNull());
}

void BraidInfoTest::dialogKeepsTheTraceItWasOpenedFor() {
    Session session;
    nameFiber(session, {"1", "2"});
    appendGenerator(session.run.braidWord, 1);
    BraidInfoDialog dialog(session, {1, 0, -1});
    // Tracing starts again: the word is emptied and the fiber replaced.
    session.run.braidWord.clear();
    nameFiber(session, {"a", "b", "c", "d"});
    QCOMPARE(dialog.picture().word, std::vector<int32_t>{1});
    QCOMPARE(dialog.picture().names,
             (std::vector<QString>{QStringLiteral("1"), QStringLiteral("2")}));
    QCOMPARE(dialog.braidText(), QStringLiteral("+1,"));
}

QTEST_MAIN(BraidInfoTest)
#include "braid_info_test.moc"
