// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QMainWindow>
#include <QRegion>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace quorrax {

class Presenter;

// The window's client area: it shows the game's back buffer, pixel for pixel, and hands
// key presses on. On a screen scaled by a whole number each pixel is a square block.
class GameView : public QWidget
{
    Q_OBJECT
public:
    explicit GameView(QWidget *parent = nullptr);
    ~GameView() override;

    QImage &image() { return m_image; }
    void resizeImage(int width, int height);

    // Chooses how frames reach the window system (see Presenter), once, before the window is
    // shown: straight into the X window where that is possible, on Wayland Qt's painting
    // paced by the compositor's frames, else Qt's painting.
    void choosePresenting();
    // Keeps Qt's painting even where the direct path would do, to compare the two.
    void keepQtPainting() { m_qtPaintingOnly = true; }
    const char *presenting() const;
    // Shows the changed rectangles of the image: at once, or (`now` false) when the
    // presenter's window system takes the next frame.
    void present(const std::vector<QRect> &changed, bool now);
    // The window is gone: nothing is shown any more.
    void stopPresenting() { m_gone = true; }

    std::function<void(int qtKey)> onKey;
    std::function<void()> onInputMethodText;
    // Called after the image went to the window system.
    std::function<void()> onPresented;

protected:
    QPaintEngine *paintEngine() const override;
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

private:
    QImage m_image;
    std::unique_ptr<Presenter> m_presenter;
    bool m_chosen = false;
    bool m_qtPaintingOnly = false;
    bool m_gone = false;
};

// The game's main window: caption, icon, the "Game" menu, and a fixed client area.
class GameWindow : public QMainWindow
{
    Q_OBJECT
public:
    GameWindow();
    ~GameWindow() override;

    GameView *view() const { return m_view; }
    void setClientSize(int width, int height);
    void showCentred();

    std::function<void()> onClose;
    // Another program destroyed the window (on X11); it shows nothing from then on.
    std::function<void()> onDestroyed;
    std::function<void()> onHelp;
    std::function<void()> onAbout;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    class DestroyWatch;
    GameView *m_view;
    std::unique_ptr<DestroyWatch> m_destroyWatch;
};

} // namespace quorrax
