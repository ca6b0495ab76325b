// SPDX-License-Identifier: MIT
#pragma once

#include "process.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quorrax::window {

// What the real-window tests need and this machine lacks: the X server and the X tools,
// and with `font` the window's font, in which the texts' looks were measured. Empty when
// nothing is missing; a test that lacks something reports itself skipped.
QString missingHere(bool font);

// An X server of the test's own, on the first free display number, with a screen of
// 1024 x 768 pixels at 24 bits, so that every colour reads back exactly as drawn.
class VirtualScreen
{
public:
    testing::AssertionResult start();

    QString display() const { return m_display; }
    // The environment of every program that talks to this server.
    const QProcessEnvironment &environment() const { return m_environment; }
    // A folder of this test's own for logs and scratch files; removed with the server.
    QString scratch(const QString &name) const;
    // Ends the server under its clients, as the end of a session or a crash of it does.
    void kill() { m_server.stop(); }

private:
    QTemporaryDir m_scratch{QDir::tempPath() + QStringLiteral("/quorrax-window-XXXXXX")};
    QString m_display;
    QProcessEnvironment m_environment;
    ChildProcess m_server; // declared last, so stopped first
};

} // namespace quorrax::window
