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

class XcbField;

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

    // Puts the image straight into the window where the window system allows it (X11);
    // otherwise frames go through Qt's painting. Chosen once, before the window is shown.
    void choosePresenting();
    // Keeps Qt's painting even where the direct path would do, to compare the two.
    void keepQtPainting() { m_qtPaintingOnly = true; }
    bool presentsDirectly() const { return m_direct != nullptr; }
    // Shows the changed rectangles of the image: at once, or (`now` false) on Qt's path at
    // the next event handling.
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
    int scale() const;
    // Puts `rects` of the image straight into the field's X window.
    void putDirect(const std::vector<QRect> &rects);

    QImage m_image;
    std::unique_ptr<XcbField> m_direct;
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
