// SPDX-License-Identifier: MIT
#include "qthost/gamewindow.h"

#include "qthost/keys.h"
#include "qthost/pictures.h"
#include "qthost/qtpainting.h"
#include "qthost/waylandframes.h"
#include "qthost/xcbfield.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPaintEvent>
#include <QScreen>
#include <QWindow>

#include <cmath>
#include <utility>

#include <xcb/xcb.h>

namespace quorrax {

GameView::GameView(QWidget *parent) : QWidget(parent), m_presenter(std::make_unique<QtPainting>(*this))
{
    setFocusPolicy(Qt::StrongFocus);
    // Text typed through an input method reaches us as input-method events, so that the
    // game can ask the player to switch the input method off.
    setAttribute(Qt::WA_InputMethodEnabled, true);
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    setAttribute(Qt::WA_NoSystemBackground, true);
}

void GameView::resizeImage(int width, int height)
{
    m_image = QImage(width, height, QImage::Format_RGBX8888);
    m_image.fill(Qt::black);
    setFixedSize(width, height);
}

GameView::~GameView() = default;

void GameView::choosePresenting()
{
    if (std::exchange(m_chosen, true) || m_qtPaintingOnly)
        return;
    // A fractional scale could not give every field pixel a whole block of window pixels.
    const qreal ratio = devicePixelRatioF();
    if (ratio != std::round(ratio))
        return;
    if (std::unique_ptr<Presenter> direct = XcbField::create(*this))
        m_presenter = std::move(direct);
    else if (std::unique_ptr<Presenter> paced = WaylandFrames::create(*this))
        m_presenter = std::move(paced);
}

const char *GameView::presenting() const
{
    return m_presenter->name();
}

void GameView::present(const std::vector<QRect> &changed, bool now)
{
    if (!m_gone && m_presenter->present(m_image, changed, now) && onPresented)
        onPresented();
}

QPaintEngine *GameView::paintEngine() const
{
    return m_presenter->usesQtPainting() ? QWidget::paintEngine() : nullptr;
}

void GameView::paintEvent(QPaintEvent *event)
{
    if (!m_gone && m_presenter->paint(m_image, event->region()) && onPresented)
        onPresented();
}

void GameView::keyPressEvent(QKeyEvent *event)
{
    if (onKey)
        onKey(latinLetterKey(event->key(), event->nativeScanCode()));
    event->accept();
}

void GameView::inputMethodEvent(QInputMethodEvent *event)
{
    if (inputMethodTookKeys(event->preeditString(), event->commitString()) && onInputMethodText)
        onInputMethodText();
    event->accept();
}

QVariant GameView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (query == Qt::ImEnabled)
        return true;
    if (query == Qt::ImCursorRectangle)
        return QRect(0, 0, 1, 1);
    return QWidget::inputMethodQuery(query);
}

// Qt does not tell a window that another program destroyed it (xdotool windowclose, or a
// window manager's last resort): the window vanishes, and the game would run on unseen and
// never save. The X server's notice of it is caught on its way into Qt.
class GameWindow::DestroyWatch : public QAbstractNativeEventFilter
{
public:
    explicit DestroyWatch(GameWindow &window) : m_window(window) { qApp->installNativeEventFilter(this); }
    ~DestroyWatch() override { qApp->removeNativeEventFilter(this); }

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        if (type != "xcb_generic_event_t" || !m_window.testAttribute(Qt::WA_WState_Created))
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7f) != XCB_DESTROY_NOTIFY ||
            reinterpret_cast<const xcb_destroy_notify_event_t *>(event)->window != xcb_window_t(m_window.winId()))
            return false;
        m_window.view()->stopPresenting();
        if (m_window.onDestroyed)
            m_window.onDestroyed();
        return false;
    }

private:
    GameWindow &m_window;
};

GameWindow::~GameWindow() = default;

GameWindow::GameWindow() : m_view(new GameView(this)), m_destroyWatch(std::make_unique<DestroyWatch>(*this))
{
    setWindowTitle(QStringLiteral("Quorrax"));
    setWindowIcon(programIcon());
    // A fixed window: no maximise button, and no resizing by the frame.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    QMenu *game = menuBar()->addMenu(QStringLiteral("Game"));
    game->setObjectName(QStringLiteral("mnuGame"));
    QAction *help = game->addAction(QStringLiteral("Help..."), this, [this] {
        if (onHelp)
            onHelp();
    });
    help->setObjectName(QStringLiteral("mnuGameHelp"));
    QAction *about = game->addAction(QStringLiteral("About..."), this, [this] {
        if (onAbout)
            onAbout();
    });
    about->setObjectName(QStringLiteral("mnuGameAbout"));
    setCentralWidget(m_view);
    m_view->setFocus();
}

void GameWindow::setClientSize(int width, int height)
{
    m_view->resizeImage(width, height);
    adjustSize();
    setFixedSize(sizeHint());
}

void GameWindow::showCentred()
{
    m_view->choosePresenting();
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, (height() + 24) / 2));
    }
    show();
    // Qt's own title bar on Wayland has a maximise button all the same: once the compositor
    // has maximised the window, it is asked to put it back at its one size.
    if (QWindow *window = windowHandle())
        connect(
            window, &QWindow::windowStateChanged, this,
            [window](Qt::WindowState state) {
                if (state == Qt::WindowMaximized || state == Qt::WindowFullScreen)
                    window->setWindowStates(window->windowStates() & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
            },
            Qt::QueuedConnection);
    activateWindow();
    m_view->setFocus();
}

void GameWindow::closeEvent(QCloseEvent *event)
{
    // The game ends itself once it is out of the event handling, after saving the score.
    event->ignore();
    if (onClose)
        onClose();
}

} // namespace quorrax
