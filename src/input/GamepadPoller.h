#pragma once

#include "input/GamepadReading.h"

#include <QHash>
#include <QObject>
#include <QVector>

class QTimer;
typedef struct _SDL_GameController SDL_GameController;
typedef struct _SDL_Joystick SDL_Joystick;

// Reads every game controller through the game-controller layer only (no
// video or audio subsystem, so no display is needed and the window need not
// have the focus), PollMs apart, on the thread it lives on. Reports all
// devices whenever one is plugged in, unplugged, or any value changes.
//
// One poller runs in a process at a time: it starts and quits the library.
// A virtual controller can be attached for scripts and tests; with
// `virtualOnly`, physical devices are left alone (a script's run never picks
// up the operator's controller).
class GamepadPoller : public QObject
{
    Q_OBJECT
public:
    static constexpr int PollMs = 10;

    explicit GamepadPoller(bool virtualOnly, QObject *parent = nullptr);
    ~GamepadPoller() override;

public slots:
    void start();
    void stop();
    void attachVirtual();
    void detachVirtual();
    // `control` a button or whole axis; sticks −1…1, triggers 0…1, buttons 0/1.
    void setVirtual(int type, int index, double value);

signals:
    void started(bool ok, const QString &error);
    void readingsChanged(const QVector<GamepadReading> &readings);
    void virtualAttached(bool ok, const QString &error);

private:
    void poll();
    void open(int deviceIndex);
    void close(int instanceId);
    GamepadReading read(int instanceId, SDL_GameController *controller) const;
    static bool differs(const QVector<GamepadReading> &a, const QVector<GamepadReading> &b);

    bool m_virtualOnly;
    bool m_running = false;
    QTimer *m_timer = nullptr;
    QHash<int, SDL_GameController *> m_open;
    QVector<int> m_order; // instance ids in the order they came
    QHash<int, bool> m_isVirtual;
    QVector<GamepadReading> m_last;
    SDL_Joystick *m_virtual = nullptr;
    int m_virtualId = -1;
};
