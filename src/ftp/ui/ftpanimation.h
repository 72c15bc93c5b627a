// The FTP window's activity animation: a small painted spinner with a picture for each of
// its three clips (connecting, listing, copying).
#pragma once

#include <QTimer>
#include <QWidget>

namespace velloran {

class FtpAnimation : public QWidget {
    Q_OBJECT
public:
    enum class Clip { FindComputer, FindFolder, CopyFile };

    explicit FtpAnimation(QWidget* parent = nullptr);

    void setClip(Clip clip);
    [[nodiscard]] Clip clip() const noexcept { return m_clip; }
    void start();
    void stop();
    [[nodiscard]] bool active() const noexcept { return m_timer.isActive(); }

signals:
    void started();
    void stopped();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintClipPicture(class QPainter& painter, const QRectF& box) const;

    Clip m_clip = Clip::FindComputer;
    QTimer m_timer;
    int m_frame = 0;
};

// Plays a clip for one scope, also when the scope ends by an exception.
class AnimationScope {
public:
    AnimationScope(FtpAnimation& animation, FtpAnimation::Clip clip) : m_animation(animation) {
        m_animation.setClip(clip);
        m_animation.start();
    }
    ~AnimationScope() { m_animation.stop(); }
    AnimationScope(const AnimationScope&) = delete;
    AnimationScope& operator=(const AnimationScope&) = delete;

private:
    FtpAnimation& m_animation;
};

} // namespace velloran
