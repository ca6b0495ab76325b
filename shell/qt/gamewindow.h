#pragma once

#include <QImage>
#include <QMainWindow>
#include <QRegion>
#include <QWidget>

#include <functional>

namespace quorrax {

// The window's client area: it shows the game's back buffer, pixel for pixel, and hands
// key presses on.
class GameView : public QWidget
{
    Q_OBJECT
public:
    explicit GameView(QWidget *parent = nullptr);

    QImage &image() { return m_image; }
    void resizeImage(int width, int height);

    std::function<void(int qtKey)> onKey;
    std::function<void()> onInputMethodText;

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

private:
    QImage m_image;
};

// The game's main window: caption, icon, the "Game" menu, and a fixed client area.
class GameWindow : public QMainWindow
{
    Q_OBJECT
public:
    GameWindow();

    GameView *view() const { return m_view; }
    void setClientSize(int width, int height);
    void showCentred();

    std::function<void()> onClose;
    std::function<void()> onHelp;
    std::function<void()> onAbout;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    GameView *m_view;
};

} // namespace quorrax
