// The record window: one record at a time, the File menu and the notebook of pages.
#pragma once

#include <QMainWindow>

#include "app/activation.h"
#include "app/appcontext.h"

class TView : public QMainWindow, public ActivationClient
{
    Q_OBJECT
public:
    explicit TView(AppContext &ctx, QWidget *parent = nullptr);
    void FormActivate() override {}
    void FormDeactivate() override {}

private:
    AppContext &m_ctx;
};
