#include "virtualdisplay.h"

#include <QDeadlineTimer>
#include <QRect>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QSize Screen(1024, 768);
const QSize OuterSize(465, 500);
const QSize SelectFrameSize(459, 469);

// left, right, top, bottom as the window manager announces them.
QList<int> frameExtents(const QByteArray &xprop)
{
    QList<int> extents;
    const QString values = QString::fromLatin1(xprop).section('=', 1);
    for (const QString &value : values.split(',', Qt::SkipEmptyParts))
        extents << value.trimmed().toInt();
    return extents.size() == 4 ? extents : QList<int>();
}

bool isTheStartPlace(const QRect &outer)
{
    return outer.size() == OuterSize && isCentredOn(outer, Screen);
}

} // namespace

// The program under a real window manager, which frames the window only
// once it is mapped: the frame must still end up 465 x 500 and centred.
class TestWindowManager : public QObject
{
    Q_OBJECT

    VirtualDisplay display;
    QTemporaryDir home;
    QProcess manager;
    QProcess player;

    QProcessEnvironment environment() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", display.name());
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.insert("SDL_AUDIODRIVER", "dummy");
        // Lock, settings and cache folders of their own.
        for (const char *name : { "HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_CACHE_HOME",
                                  "TMPDIR", "VOICE_PLAYER_LOCK_ROOT" })
            environment.insert(name, home.path());
        return environment;
    }

    bool managerIsReady() const
    {
        const auto root = display.runTool("xprop", { "-root", "_NET_SUPPORTING_WM_CHECK" });
        return root && root->contains("window id");
    }

private slots:
    void initTestCase()
    {
        const QString failure
            = display.start(Screen, { "xdotool", "xwininfo", "xprop", "openbox" });
        if (!failure.isEmpty())
            QSKIP(qPrintable(failure));

        manager.setProcessEnvironment(environment());
        manager.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        manager.setStandardErrorFile(QProcess::nullDevice());
        manager.start("openbox", { "--sm-disable" });
        QVERIFY(manager.waitForStarted());
        const QDeadlineTimer deadline(15000);
        while (!managerIsReady() && manager.state() == QProcess::Running && !deadline.hasExpired())
            QTest::qWait(50);
        QVERIFY2(managerIsReady(), "openbox did not take over the display");
    }

    void cleanupTestCase()
    {
        stopProcess(player);
        stopProcess(manager);
    }

    void frameIsTheStartSizeAndCentred()
    {
        player.setProcessEnvironment(environment());
        player.setProcessChannelMode(QProcess::ForwardedChannels);
        player.start(VOICE_PLAYER_PATH, {});
        QVERIFY(player.waitForStarted());

        // The window is corrected once it has been framed, its size and its
        // place one after the other; wait for both.
        QString window;
        QRect client;
        QList<int> extents; // left, right, top, bottom
        QRect outer;
        const QDeadlineTimer deadline(15000);
        while (!isTheStartPlace(outer) && player.state() == QProcess::Running
               && !deadline.hasExpired()) {
            QTest::qWait(50);
            window = display.visibleWindow("^Voice Player$");
            if (window.isEmpty())
                continue;
            client
                = xwininfoClientRect(display.runTool("xwininfo", { "-id", window }).value_or(""));
            extents = frameExtents(
                display.runTool("xprop", { "-id", window, "_NET_FRAME_EXTENTS" }).value_or(""));
            if (extents.isEmpty())
                continue;
            outer = client.marginsAdded(QMargins(extents[0], extents[2], extents[1], extents[3]));
        }
        QVERIFY2(!window.isEmpty(), "no visible window named Voice Player");
        QVERIFY2(!extents.isEmpty(), "the window manager announced no frame");
        QVERIFY2(extents[2] > 0, "the window has no title bar: nothing was tested");

        QCOMPARE(outer.size(), OuterSize);
        QVERIFY2(qAbs(2 * outer.left() - (Screen.width() - OuterSize.width())) <= 1,
                 QByteArray::number(outer.left()));
        QCOMPARE(outer.top(), (Screen.height() - OuterSize.height()) / 2);
        // The frame sits at the client's top-left corner: it must fit inside
        // the client. What is left below it is the room the window keeps for
        // a taller title bar than this window manager draws.
        QVERIFY(client.width() >= SelectFrameSize.width());
        QVERIFY(client.height() >= SelectFrameSize.height());
        qInfo("outer %dx%d at %d,%d; client %dx%d at %d,%d; window colour below the frame: %d px",
              outer.width(), outer.height(), outer.x(), outer.y(), client.width(), client.height(),
              client.x(), client.y(), client.height() - SelectFrameSize.height());
    }
};

QTEST_MAIN(TestWindowManager)
#include "tst_windowmanager.moc"
