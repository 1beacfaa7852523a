// The record window.
#include "recordwindow/tview.h"

TView::TView(AppContext &ctx, QWidget *parent)
    : QMainWindow(parent)
    , m_ctx(ctx)
{
}
