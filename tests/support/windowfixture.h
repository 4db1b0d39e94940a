#pragma once

#include "fakeplatform.h"
#include "fakesampleplayer.h"
#include "sarvikform.h"

#include <QTest>

#include <memory>

// The window as the program starts it, on the fakes: set up platform (a
// screen, an instance check) and player first, then open it.
class WindowFixture
{
public:
    FakePlatform platform;
    FakeSamplePlayer player;
    std::unique_ptr<SarvikForm> form;

    // Builds the window and runs its start-up; false when start-up ends it
    // because another copy runs.
    bool open()
    {
        form = std::make_unique<SarvikForm>(platform, player);
        return form->load();
    }

    // Opens it and waits until it has the focus, ready for the user's input.
    bool openActive()
    {
        if (!open())
            return false;
        form->activateWindow();
        return QTest::qWaitForWindowActive(form.get());
    }

    // Closes the window and leaves fresh fakes for the next one.
    void reset()
    {
        form.reset();
        platform = FakePlatform();
        player = FakeSamplePlayer();
    }
};
