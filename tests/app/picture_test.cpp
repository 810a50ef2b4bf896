// quorvel-cli picture, run as a user runs it: each plane written as PNG at
// the asked size and not blank, and as SVG that parses and draws.
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QSet>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

class PictureTest : public QObject {
    Q_OBJECT

private slots:
    void everyPlaneAsPngAndSvg();
    void failuresExitWithTheirStatus();

private:
    int run(const QStringList &args, QString *errors = nullptr,
            const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment()) {
        QProcess p;
        p.setProcessEnvironment(environment);
        p.start(QStringLiteral(QUORVEL_CLI), args);
        p.waitForFinished(120000);
        if (errors) *errors = QString::fromLocal8Bit(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
};

void PictureTest::everyPlaneAsPngAndSvg() {
    QTemporaryDir dir;
    const struct {
        const char *plane;
        const char *loop;
    } rows[] = {{"parameter", nullptr}, {"parameter", "0"}, {"solution", "inf"}, {"braid", "0"}};
    for (const auto &row : rows) {
        const QString name = QStringLiteral("%1-%2").arg(row.plane, row.loop ? row.loop : "none");
        QStringList common = {QStringLiteral("picture"), QStringLiteral("--plane"), QString::fromLatin1(row.plane)};
        if (row.loop) common << QStringLiteral("--loop") << QString::fromLatin1(row.loop);
        const QString png = dir.filePath(name + QStringLiteral(".png"));
        QString errors;
        QCOMPARE(run(common + QStringList{QStringLiteral("--size"), QStringLiteral("640x480"),
                                          QStringLiteral("x^3+t*x+t^2-1"), QStringLiteral("-o"), png},
                     &errors),
                 0);
        const QImage image(png);
        QVERIFY2(!image.isNull(), qPrintable(name + errors));
        if (QString::fromLatin1(row.plane) != QStringLiteral("braid")) QCOMPARE(image.size(), QSize(640, 480));
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 3)
            for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
        QVERIFY2(colours.size() > 3, qPrintable(name + QStringLiteral(": a blank picture")));

        const QString svg = dir.filePath(name + QStringLiteral(".svg"));
        QCOMPARE(run(common + QStringList{QStringLiteral("x^3+t*x+t^2-1"), QStringLiteral("-o"), svg}), 0);
        QSvgRenderer renderer(svg);
        QVERIFY2(renderer.isValid(), qPrintable(name));
        QImage drawn(renderer.defaultSize(), QImage::Format_ARGB32);
        drawn.fill(Qt::white);
        QPainter painter(&drawn);
        renderer.render(&painter);
        painter.end();
        QSet<QRgb> svgColours;
        for (int y = 0; y < drawn.height(); y += 3)
            for (int x = 0; x < drawn.width(); x += 3) svgColours.insert(drawn.pixel(x, y));
        QVERIFY2(svgColours.size() > 3, qPrintable(name + QStringLiteral(": a blank SVG")));
    }
}

void PictureTest::failuresExitWithTheirStatus() {
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("p.png"));
    QCOMPARE(run({QStringLiteral("picture"), QStringLiteral("--plane"), QStringLiteral("braid"),
                  QStringLiteral("x^2-t"), QStringLiteral("-o"), out}),
             2);  // a braid needs a loop
    QCOMPARE(run({QStringLiteral("picture"), QStringLiteral("x^2-t"), QStringLiteral("-o"),
                  dir.filePath(QStringLiteral("p.gif"))}),
             2);
    QCOMPARE(run({QStringLiteral("picture"), QStringLiteral("(x+t)^2"), QStringLiteral("-o"), out}), 1);
    QVERIFY(!QFile::exists(out));
    // A platform without its display (xcb, no DISPLAY) does not stop a
    // picture: it is drawn offscreen.
    QProcessEnvironment noDisplay = QProcessEnvironment::systemEnvironment();
    noDisplay.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    noDisplay.remove(QStringLiteral("DISPLAY"));
    noDisplay.remove(QStringLiteral("WAYLAND_DISPLAY"));
    QCOMPARE(run({QStringLiteral("picture"), QStringLiteral("x^2-t"), QStringLiteral("-o"), out}, nullptr, noDisplay), 0);
    QVERIFY(QFile::exists(out));
}

}  // namespace

QTEST_MAIN(PictureTest)
#include "picture_test.moc"
