// The application frame: the title, the error box for each kind of error from
// a handler and at start-up, and the tick timer.

#include <QRegularExpression>
#include <stdexcept>

#include "UiTestSupport.h"
#include "app/ErrorReporting.h"
#include "app/Timer.h"

using Thrower = void (*)();
Q_DECLARE_METATYPE(Thrower)

namespace tessaro::test {

class FrameTest : public QObject {
    Q_OBJECT
private slots:
    void TitleFromProgramPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("title");
        QTest::newRow("cut at first dot, lower-cased after first byte") << "/opt/ABC.DEF.EXE" << "Abc";
        QTest::newRow("dot in a directory name") << "/home/a.b/TESSARO" << "Tessaro";
        QTest::newRow("non-ASCII bytes kept") << "/x/Ｔｅｓ.bin" << "Ｔｅｓ";
    }
    void TitleFromProgramPath()
    {
        QFETCH(QString, path);
        QFETCH(QString, title);
        QCOMPARE(QString::fromStdString(TitleFromModulePath(path.toStdString())), title);
    }

    // The box is a pattern; none for EAbort.
    void EachKindOfErrorIsShown_data()
    {
        QTest::addColumn<Thrower>("thrower");
        QTest::addColumn<bool>("atStartUp");
        QTest::addColumn<QString>("box");
        const QString title = QString::fromStdString(ApplicationTitle());
        const QString fallback = BoxText(QMessageBox::Critical, QStringLiteral("アプリケーション エラー"),
                                         QStringLiteral("%2 がモジュール %1 の %3 で発生しました。\n%4\n"));
        QTest::newRow("EAbort is dropped") << Thrower([] { throw EAbort("quiet"); }) << false << "";
        QTest::newRow("no period after a parenthesis")
            << Thrower([] { throw EInOutError("I/O エラー (5)", 5); }) << false << ErrorBox("I/O エラー \\(5\\)");
        QTest::newRow("period after a letter")
            << Thrower([] { throw EFOpenError::ForFile("a"); }) << false << ErrorBox("ファイル a は開けません\\.");
        QTest::newRow("std::exception") << Thrower([] { throw std::runtime_error("boom"); }) << false
                                        << fallback.arg(title, "std::runtime_error", "0x[0-9a-f]+", "boom\\.");
        QTest::newRow("not an exception class")
            << Thrower([] { throw 7; }) << false << fallback.arg(title, "int", "\\(nil\\)", "");
        QTest::newRow("Exception at start-up")
            << Thrower([] { throw EFOpenError::ForFile("x"); }) << true << ErrorBox("ファイル x は開けません\\.");
        QTest::newRow("anything else at start-up has no text")
            << Thrower([] { throw std::runtime_error("not ours"); }) << true << ErrorBox("");
    }
    void EachKindOfErrorIsShown()
    {
        QFETCH(Thrower, thrower);
        QFETCH(bool, atStartUp);
        QFETCH(QString, box);
        ModalDriver driver;
        if (atStartUp)
            QCOMPARE(RunApplication(thrower, []() -> std::unique_ptr<QWidget> { throw Exception("made"); }), 0);
        else
            Guarded(thrower);
        QCOMPARE(driver.Boxes.size(), box.isEmpty() ? 0 : 1);
        const QRegularExpression pattern(QRegularExpression::anchoredPattern(box));
        QVERIFY2(box.isEmpty() || pattern.match(driver.Boxes.value(0)).hasMatch(),
                 qPrintable(driver.Boxes.value(0)));
        QVERIFY(!ErrorBoxOpen());
    }

    void TimerArmsOnlyWithIntervalEnabledAndHandler()
    {
        TTimer timer;
        QVERIFY(timer.Enabled() && timer.Interval() == 1000 && !timer.Timer().isActive());
        int ticks = 0;
        timer.SetOnTimer([&] { ++ticks; });
        QVERIFY(timer.Timer().isActive());
        timer.SetInterval(10);
        QTRY_VERIFY(ticks >= 2);
        timer.SetEnabled(false);
        QVERIFY(!timer.Timer().isActive());
        timer.SetEnabled(true);
        QVERIFY(timer.Timer().isActive());
        timer.SetInterval(0);
        QVERIFY(!timer.Timer().isActive());
    }

    // Each tick waits in an event loop of its own, while further ticks fall due.
    void NoTickWhileAnotherRunsOrAnErrorBoxIsOpen()
    {
        TTimer timer;
        timer.SetInterval(5);
        int calls = 0;
        int depth = 0;
        int deepest = 0;
        timer.SetOnTimer([&] {
            ++calls;
            deepest = std::max(deepest, ++depth);
            QTest::qWait(30);
            --depth;
        });
        QTRY_VERIFY(calls >= 3);
        QCOMPARE(deepest, 1);

        ModalDriver driver;
        int callsWhileOpen = -1;
        driver.Then([&](QWidget* box) {
            const int before = calls;
            QTest::qWait(50);
            callsWhileOpen = calls - before;
            ModalDriver::DefaultAnswer(box);
        });
        ReportException(Exception("shown"));
        QCOMPARE(callsWhileOpen, 0);
    }
};

}  // namespace tessaro::test

TESSARO_UI_TEST_MAIN(FrameTest)

#include "FrameTest.moc"
