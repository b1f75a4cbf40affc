// SPDX-License-Identifier: GPL-3.0-or-later
#include "termination_watch.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

#include <windows.h>

namespace velmora {

namespace {

QPointer<CTerminationWatch> g_watch;

BOOL WINAPI onConsoleEvent(DWORD type)
{
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT && type != CTRL_CLOSE_EVENT)
        return FALSE;
    if (CTerminationWatch* watch = g_watch.data())
        QMetaObject::invokeMethod(watch, [watch] { watch->requested(); }, Qt::QueuedConnection);
    return TRUE;
}

} // namespace

struct CTerminationWatch::Platform {};

CTerminationWatch::CTerminationWatch(std::function<void()> onRequest, QObject* parent)
    : QObject(parent), m_onRequest(std::move(onRequest))
{
    g_watch = this;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

CTerminationWatch::~CTerminationWatch()
{
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    g_watch = nullptr;
}

void CTerminationWatch::requested()
{
    if (m_onRequest)
        m_onRequest();
}

} // namespace velmora
