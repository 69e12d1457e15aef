// The application frame: the title, the error box and its period rule, how
// each kind of error is handled, start-up errors, and the tick timer's guard.

#include <QApplication>
#include <QEventLoop>
#include <QTest>
#include <stdexcept>

#include "UiTestSupport.h"
#include "app/Application.h"
#include "app/ErrorReporting.h"
#include "app/Timer.h"
#include "text/Exception.h"

using namespace tessaro;
using tessaro::uitest::ModalDriver;

namespace {

const QString FallbackCaption = QStringLiteral("アプリケーション エラー");

QString Title()
{
    return QString::fromUtf8(ApplicationTitle().c_str());
}

// The thrown objects the catch test goes through, by row.
void ThrowKind(int kind)
{
    switch (kind) {
    case 0:
        throw EAbort("quiet");
    case 1:
        throw EInOutError("I/O エラー (5)", 5);
    case 2:
        throw EFOpenError::ForFile("a.txt");
    case 3:
        throw std::runtime_error("boom");
    default:
        throw 7;
    }
}

}  // namespace

class FrameTest : public QObject {
    Q_OBJECT
private slots:
    void TitleFromProgramPath_data();
    void TitleFromProgramPath();
    void PeriodRuleInTheErrorBox_data();
    void PeriodRuleInTheErrorBox();
    void EachKindOfErrorIsHandled_data();
    void EachKindOfErrorIsHandled();
    void StartUpErrorIsShownAndEndsWithZero_data();
    void StartUpErrorIsShownAndEndsWithZero();
    void TimerArmsOnlyWithIntervalEnabledAndHandler();
    void FailingTicksShowOneBoxAtATimeAndKeepTheTimer();
    void TickNeverStartsWhileAnotherRuns();
};

void FrameTest::TitleFromProgramPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    QTest::newRow("installed") << "/usr/bin/tessaro" << "tessaro";
    QTest::newRow("cut at first dot, lower-cased after first byte") << "/opt/ABC.DEF.EXE" << "Abc";
    QTest::newRow("no directory") << "Tessaro" << "Tessaro";
    QTest::newRow("dot in a directory name") << "/home/a.b/TESSARO" << "Tessaro";
    QTest::newRow("non-ASCII bytes kept") << "/x/Ｔｅｓ.bin" << "Ｔｅｓ";
}

void FrameTest::TitleFromProgramPath()
{
    QFETCH(QString, path);
    QFETCH(QString, title);
    QCOMPARE(QString::fromStdString(TitleFromModulePath(path.toStdString())), title);
}

void FrameTest::PeriodRuleInTheErrorBox_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("closing parenthesis unchanged") << "I/O エラー (5)" << "I/O エラー (5)";
    QTest::newRow("empty stays empty") << "" << "";
    QTest::newRow("period unchanged") << "done." << "done.";
    QTest::newRow("space unchanged") << "trailing " << "trailing ";
    QTest::newRow("comma unchanged") << "list," << "list,";
    QTest::newRow("Japanese ending gets a period") << "ファイル a.txt は開けません" << "ファイル a.txt は開けません.";
    QTest::newRow("digit gets a period") << "JPEG エラー #42" << "JPEG エラー #42.";
    QTest::newRow("slash gets a period") << "dir/" << "dir/.";
}

void FrameTest::PeriodRuleInTheErrorBox()
{
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(QString::fromStdString(WithPeriod(message.toStdString())), shown);

    ModalDriver driver;
    ReportException(Exception(message.toStdString()));
    QCOMPARE(driver.Boxes().size(), std::size_t(1));
    const auto& box = driver.Boxes().front();
    QCOMPARE(box.Text, shown);
    QCOMPARE(box.Caption, Title());
    QCOMPARE(box.Icon, QMessageBox::Critical);
    QCOMPARE(box.Buttons, QStringList{QStringLiteral("OK")});
    QVERIFY(!ErrorBoxOpen());
}

void FrameTest::EachKindOfErrorIsHandled_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("textParts");
    QTest::newRow("EAbort is dropped") << 0 << QString() << QStringList();
    QTest::newRow("EInOutError") << 1 << Title() << QStringList{"I/O エラー (5)"};
    QTest::newRow("EFOpenError") << 2 << Title() << QStringList{"ファイル a.txt は開けません."};
    QTest::newRow("std::exception") << 3 << FallbackCaption
                                    << QStringList{"std::runtime_error がモジュール ", "で発生しました。", "boom."};
    QTest::newRow("not an exception class") << 4 << FallbackCaption << QStringList{"int がモジュール "};
}

void FrameTest::EachKindOfErrorIsHandled()
{
    QFETCH(int, kind);
    QFETCH(QString, caption);
    QFETCH(QStringList, textParts);

    ModalDriver driver;
    Guarded([&] { ThrowKind(kind); });
    if (caption.isEmpty()) {
        QVERIFY(driver.Boxes().empty());
        return;
    }
    QCOMPARE(driver.Boxes().size(), std::size_t(1));
    QCOMPARE(driver.Boxes().front().Caption, caption);
    QCOMPARE(driver.Boxes().front().Icon, QMessageBox::Critical);
    QCOMPARE(driver.Boxes().front().Buttons.size(), 1);
    for (const QString& part : textParts)
        QVERIFY2(driver.Boxes().front().Text.contains(part), qPrintable(driver.Boxes().front().Text));
}

void FrameTest::StartUpErrorIsShownAndEndsWithZero_data()
{
    QTest::addColumn<bool>("programError");
    QTest::addColumn<QString>("shown");
    QTest::newRow("Exception") << true << "ファイル x は開けません.";
    QTest::newRow("anything else has an empty message") << false << "";
}

void FrameTest::StartUpErrorIsShownAndEndsWithZero()
{
    QFETCH(bool, programError);
    QFETCH(QString, shown);

    ModalDriver driver;
    bool windowMade = false;
    const int status = RunApplication(
        [&] {
            if (programError)
                throw EFOpenError::ForFile("x");
            throw std::runtime_error("not ours");
        },
        [&] {
            windowMade = true;
            return std::make_unique<QWidget>();
        });
    QCOMPARE(status, 0);
    QVERIFY(!windowMade);
    QCOMPARE(driver.Boxes().size(), std::size_t(1));
    QCOMPARE(driver.Boxes().front().Text, shown);
    QCOMPARE(driver.Boxes().front().Caption, Title());
}

void FrameTest::TimerArmsOnlyWithIntervalEnabledAndHandler()
{
    TTimer timer;
    QVERIFY(timer.Enabled());
    QCOMPARE(timer.Interval(), 1000);
    QVERIFY(!timer.Timer().isActive());

    int ticks = 0;
    timer.SetOnTimer([&] { ++ticks; });
    QVERIFY(timer.Timer().isActive());
    timer.SetInterval(10);
    QTRY_VERIFY(ticks >= 2);

    timer.SetEnabled(false);
    QVERIFY(!timer.Timer().isActive());
    const int stopped = ticks;
    QTest::qWait(50);
    QCOMPARE(ticks, stopped);

    timer.SetEnabled(true);
    timer.SetInterval(0);
    QVERIFY(!timer.Timer().isActive());
}

void FrameTest::FailingTicksShowOneBoxAtATimeAndKeepTheTimer()
{
    TTimer timer;
    timer.SetInterval(10);
    int calls = 0;
    timer.SetOnTimer([&] {
        if (++calls <= 3)
            throw Exception("tick failed");
        timer.SetEnabled(false);
    });

    ModalDriver driver;
    bool enabledWhileShown = true;
    int callsWhenShown = 0;
    // Each box stays open for several intervals, so ticks fall due meanwhile.
    driver.AnswerBoxes(QStringLiteral("OK"), 80, [&](const uitest::SeenBox&) {
        enabledWhileShown = enabledWhileShown && timer.Enabled() && timer.Timer().isActive();
        callsWhenShown = calls;
    });
    QTRY_VERIFY_WITH_TIMEOUT(!timer.Enabled(), 5000);

    QCOMPARE(driver.Boxes().size(), std::size_t(3));
    QCOMPARE(driver.MaxOpenBoxes(), 1);
    QVERIFY(enabledWhileShown);
    QCOMPARE(calls, 4);
    for (const auto& box : driver.Boxes())
        QCOMPARE(box.Text, QStringLiteral("tick failed."));
    QVERIFY(callsWhenShown >= 3);
}

void FrameTest::TickNeverStartsWhileAnotherRuns()
{
    TTimer timer;
    timer.SetInterval(5);
    int depth = 0;
    int deepest = 0;
    int calls = 0;
    timer.SetOnTimer([&] {
        ++calls;
        deepest = std::max(deepest, ++depth);
        QEventLoop loop;
        QTimer::singleShot(30, &loop, &QEventLoop::quit);
        loop.exec();
        --depth;
        QVERIFY(timer.Ticking());
    });
    QTRY_VERIFY(calls >= 3);
    timer.SetEnabled(false);
    QCOMPARE(deepest, 1);
}

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    tessaro::uitest::StartUp();
    FrameTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "FrameTest.moc"
