// Control 1000 of the player window: the place that hosts the skin engine.
// It draws nothing and takes no input; it only hands out the object it hosts,
// which may be none.
#pragma once

#include <QObject>
#include <QWidget>

#include <memory>

class SkinHost final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SkinHost)

public:
    // Hosts a new SkinEngine.
    explicit SkinHost(QWidget *parent = nullptr);
    // Hosts `object`, which may be null or an object that is no skin engine.
    explicit SkinHost(std::shared_ptr<QObject> object, QWidget *parent = nullptr);
    ~SkinHost() override;

    // The hosted object; null when there is none. The object outlives the
    // host as long as someone holds it.
    std::shared_ptr<QObject> object() const { return m_object; }

private:
    std::shared_ptr<QObject> m_object;
};
