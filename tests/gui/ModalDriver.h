#pragma once

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <deque>
#include <functional>

namespace tb::test {

// Answers modal dialogs as they open: each step is applied to the next
// modal window that appears, from the event loop the dialog runs.
class ModalDriver : public QObject {
public:
    ModalDriver() {
        connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
        timer_.start(10);
    }
    void Then(std::function<void(QWidget*)> step) { steps_.push_back(std::move(step)); }
    bool Done() const { return steps_.empty(); }

private:
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == last_ || steps_.empty())
            return;
        last_ = modal;
        auto step = std::move(steps_.front());
        steps_.pop_front();
        step(modal);
    }

    QTimer timer_;
    QPointer<QWidget> last_;
    std::deque<std::function<void(QWidget*)>> steps_;
};

// Clicks the button of `window` with this exact caption (the `which`-th
// of several); false when there is none.
inline bool Click(QWidget* window, const QString& caption, int which = 0) {
    for (QPushButton* button : window->findChildren<QPushButton*>())
        if (button->text() == caption && which-- == 0) {
            button->click();
            return true;
        }
    return false;
}

} // namespace tb::test
