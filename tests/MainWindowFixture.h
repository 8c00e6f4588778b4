#pragma once
// What a test of the main window starts from: fresh globals, scripted desktop
// services and the program's windows. A test class derives from it next to
// QObject and calls setUpMainWindow() from init(), tearDownMainWindow() from
// cleanup().
#include "FakeServices.h"
#include "app/Application.h"
#include "mainwindow/MainForm.h"
#include "skin/GlobalVar.h"

#include <QtTest>
#include <memory>

class MainWindowFixture
{
protected:
    // withWindows false: the test creates them itself, e.g. after preparing
    // the settings they start from.
    void setUpMainWindow(bool withWindows = true)
    {
        vorlix::resetGlobals();
        m_services = std::make_unique<FakeServicesScope>();
        if (withWindows)
            m_windows = vorlix::createWindows();
    }
    // The windows go before the services they may still call while closing.
    void tearDownMainWindow()
    {
        m_windows = vorlix::AppWindows();
        m_services.reset();
    }
    FakeServices *fake() const { return m_services->fake; }

    vorlix::AppWindows m_windows;

private:
    std::unique_ptr<FakeServicesScope> m_services;
};

// Selects tree node `index` and runs the change handler at once instead of
// waiting for the hover delay.
inline void selectNode(int index)
{
    vorlix::MainForm->SelTree->selectAbsolute(index);
    vorlix::MainForm->SelTreeChange();
}

// main() for a test of the windows: the program's own application object,
// kept running when a test closes the last window.
#define VORLIX_WINDOW_TEST_MAIN(TestClass)                                                         \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        vorlix::TApplication app(argc, argv);                                                      \
        app.setQuitOnLastWindowClosed(false);                                                      \
        TestClass t;                                                                               \
        return QTest::qExec(&t, argc, argv);                                                       \
    }
