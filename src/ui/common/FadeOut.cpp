#include "ui/common/FadeOut.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QPointer>
#include <QVariantAnimation>
#include <QWidget>

#include "platform/Shell.h"

namespace ui {
namespace {

std::chrono::milliseconds fadeDuration{800};

// Headless platforms cannot make a window translucent (and complain on every try); there the fade only takes
// its time.
bool PlatformHasWindowOpacity() {
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

}  // namespace

std::chrono::milliseconds FadeDuration() {
    return fadeDuration;
}

std::chrono::milliseconds SetFadeDuration(std::chrono::milliseconds duration) {
    const auto before = fadeDuration;
    fadeDuration = duration;
    return before;
}

void FadeOutWindow(QWidget* window) {
    FadeOutWindow(window, fadeDuration);
}

void FadeOutWindow(QWidget* window, std::chrono::milliseconds duration) {
    if (window == nullptr || !window->isVisible()) return;
    QPointer<QWidget> guard(window);
    // Where the system animates the fade itself (Windows), it does; the window is then hidden for Qt too.
    if (duration.count() > 0 && window->isWindow() && window->testAttribute(Qt::WA_WState_Created) &&
        platform::AnimateHideWindow(static_cast<std::uintptr_t>(window->winId()), duration)) {
        if (guard) guard->hide();
        return;
    }
    const qreal opacity = window->windowOpacity();
    if (duration.count() > 0) {
        QEventLoop loop;
        QVariantAnimation animation;
        animation.setDuration(static_cast<int>(duration.count()));
        animation.setStartValue(opacity);
        animation.setEndValue(0.0);
        const bool translucent = PlatformHasWindowOpacity();
        QObject::connect(&animation, &QVariantAnimation::valueChanged, window,
                         [window, translucent, &loop](const QVariant& value) {
                             // Closed by other means meanwhile (a key, its owner): nothing left to fade.
                             if (!window->isVisible()) loop.quit();
                             if (translucent) window->setWindowOpacity(value.toReal());
                         });
        QObject::connect(&animation, &QAbstractAnimation::finished, &loop, &QEventLoop::quit);
        // A window destroyed while fading ends the fade at once.
        QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
        animation.start();
        loop.exec();
    }
    if (!guard) return;
    guard->hide();
    if (PlatformHasWindowOpacity()) guard->setWindowOpacity(opacity);
}

}  // namespace ui
