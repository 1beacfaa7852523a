// Records help requests as "contents|file", "topic|file|title", "context|file|number".
#pragma once

#include <QStringList>

#include "platform/helpviewer.h"

class FakeHelpViewer : public HelpViewer
{
public:
    QStringList requests;
    void showContents(const QString &file) override { requests << QStringLiteral("contents|") + file; }
    void showTopic(const QString &file, const QString &title) override
    {
        requests << QStringLiteral("topic|") + file + u'|' + title;
    }
    void showContext(const QString &file, int context) override
    {
        requests << QStringLiteral("context|") + file + u'|' + QString::number(context);
    }
};
