#pragma once

#include <QByteArray>
#include <QObject>

// Last distance measured by the laser range finder.
class LaserState : public QObject
{
    Q_OBJECT
public:
    static constexpr int ReportSize = 4;

    explicit LaserState(QObject *parent = nullptr);

    float laserDistance() const { return m_distance; }

    // Bytes 0-1 are an acknowledgement's result code; the distance follows in
    // tenths of a metre. Returns false when too short.
    bool apply(const QByteArray &payload);

signals:
    void laserChanged();

private:
    float m_distance = 0;
};
