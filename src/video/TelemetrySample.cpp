#include "video/TelemetrySample.h"

#include "catalog/CameraModelBridge.h"
#include "state/GimbalState.h"

#include <functional>

namespace
{

using Reader = std::function<QString(const GimbalState &)>;

QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

// The device's status values written to the table beside the fields every
// form carries: the attitude report's other angles and speeds, the visible
// camera's state, the links inside the device, the memory card, capture
// state and the core temperature.
const QVector<QPair<QString, Reader>> &statusTable()
{
    static const QVector<QPair<QString, Reader>> table = {
        {QStringLiteral("attitude_yaw_deg"),
         [](const GimbalState &s) { return fixed(s.yawAttitude(), 2); }},
        {QStringLiteral("attitude_pitch_deg"),
         [](const GimbalState &s) { return fixed(s.pitchAttitude(), 2); }},
        {QStringLiteral("attitude_roll_deg"),
         [](const GimbalState &s) { return fixed(s.rollAttitude(), 2); }},
        {QStringLiteral("yaw_speed_dps"),
         [](const GimbalState &s) { return fixed(s.yawSpeed(), 2); }},
        {QStringLiteral("pitch_speed_dps"),
         [](const GimbalState &s) { return fixed(s.pitchSpeed(), 2); }},
        {QStringLiteral("roll_speed_dps"),
         [](const GimbalState &s) { return fixed(s.rollSpeed(), 2); }},
        {QStringLiteral("focal_length"),
         [](const GimbalState &s) { return fixed(s.focalLength(), 1); }},
        {QStringLiteral("zoom_status"),
         [](const GimbalState &s) { return QString::number(s.zoomStatus()); }},
        {QStringLiteral("focus_status"),
         [](const GimbalState &s) { return QString::number(s.focusStatus()); }},
        {QStringLiteral("gimbal_link"),
         [](const GimbalState &s) { return QString::number(s.gimbalConnStatus()); }},
        {QStringLiteral("camera_link"),
         [](const GimbalState &s) { return QString::number(s.cameraConnStatus()); }},
        {QStringLiteral("stream_mode"),
         [](const GimbalState &s) { return QString::number(s.streamMode()); }},
        {QStringLiteral("photo_video_mode"),
         [](const GimbalState &s) { return QString::number(s.photoVideoMode()); }},
        {QStringLiteral("sd_status"),
         [](const GimbalState &s) { return QString::number(s.sdStatus()); }},
        {QStringLiteral("record_status"),
         [](const GimbalState &s) { return QString::number(s.recordStatus()); }},
        {QStringLiteral("photo_status"),
         [](const GimbalState &s) { return QString::number(s.photoStatus()); }},
        {QStringLiteral("core_temp_c"),
         [](const GimbalState &s) { return fixed(s.coreTemp(), 1); }},
    };
    return table;
}

} // namespace

QStringList TelemetrySample::statusColumns()
{
    QStringList names;
    for (const auto &column : statusTable())
        names << column.first;
    return names;
}

TelemetrySample TelemetrySample::read(const GimbalState *state, const CameraModelBridge *model,
                                      bool irShown, const QString &stream)
{
    TelemetrySample s;
    s.time = QDateTime::currentDateTime();
    s.stream = stream;
    if (model) {
        s.model = model->modelId();
        s.hasLaser = model->hasLaser();
    }
    s.irShown = irShown;
    s.reporting = state && state->reporting();
    if (!s.reporting)
        return s;
    s.yaw = state->yawJoint();
    s.pitch = state->pitchJoint();
    s.roll = state->rollJoint();
    s.zoom = state->hybridZoom();
    s.range = state->laserDistance();
    s.irMax = state->irMaxTemp();
    s.irMin = state->irMinTemp();
    s.irCentre = state->irCenterTemp();
    s.irPoint = state->irPointTemp();
    s.irAverage = state->irAvgTemp();
    for (const auto &column : statusTable())
        s.status << column.second(*state);
    return s;
}

QString TelemetrySample::cueText(bool chinese) const
{
    const auto pick = [chinese](const char *english, const char *zh) {
        return chinese ? QString::fromUtf8(zh) : QString::fromUtf8(english);
    };
    const auto angle = [this](double value) {
        return reporting ? fixed(value, 1) + QStringLiteral("°") : QStringLiteral("--");
    };
    QString first = time.toString(QStringLiteral("HH:mm:ss"));
    first += QStringLiteral("  %1 %2  %3 %4  %5 %6")
                 .arg(pick("Yaw", "航向"), angle(yaw), pick("Pitch", "俯仰"), angle(pitch),
                      pick("Roll", "横滚"), angle(roll));
    QString second =
        pick("Zoom", "变焦") + QLatin1Char(' ') +
        (reporting && zoom > 0 ? fixed(zoom, 1) + QStringLiteral("×") : QStringLiteral("--"));
    if (hasLaser)
        second += QStringLiteral("  %1 %2").arg(
            pick("Range", "距离"),
            reporting && range > 0 ? fixed(range, 1) + QStringLiteral(" m") : QStringLiteral("--"));
    if (irShown && reporting)
        second +=
            QStringLiteral("  %1 %2 %3 °C  %4 %5 °C  %6 %7 °C")
                .arg(pick("IR", "红外"), pick("max", "最高"), fixed(irMax, 1), pick("min", "最低"),
                     fixed(irMin, 1), pick("centre", "中心"), fixed(irCentre, 1));
    return first + QLatin1Char('\n') + second;
}

QString TelemetrySample::csvHeader()
{
    return QStringLiteral("video_time_s,time_of_day,yaw_deg,pitch_deg,roll_deg,zoom_x,"
                          "laser_range_m,ir_max_c,ir_min_c,ir_centre_c,ir_point_c,ir_average_c,") +
           statusColumns().join(QLatin1Char(','));
}

QString TelemetrySample::csvRow(qint64 videoMs) const
{
    QStringList cells;
    cells << fixed(videoMs / 1000.0, 3)
          << time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs);
    const auto value = [this](bool known, double v, int decimals) {
        return reporting && known ? fixed(v, decimals) : QString();
    };
    cells << value(true, yaw, 2) << value(true, pitch, 2) << value(true, roll, 2)
          << value(zoom > 0, zoom, 1) << value(hasLaser && range > 0, range, 1);
    for (double t : {irMax, irMin, irCentre, irPoint, irAverage})
        cells << value(irShown, t, 1);
    const int columns = statusTable().size();
    for (int i = 0; i < columns; ++i)
        cells << status.value(i);
    return cells.join(QLatin1Char(','));
}

QList<QPair<QString, QString>> TelemetrySample::imageFields() const
{
    const auto angle = [this](double value) {
        return reporting ? fixed(value, 2) + QStringLiteral(" deg") : QStringLiteral("--");
    };
    QList<QPair<QString, QString>> fields = {
        {QStringLiteral("Time"),
         time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs)},
        {QStringLiteral("Model"), model},
        {QStringLiteral("Yaw"), angle(yaw)},
        {QStringLiteral("Pitch"), angle(pitch)},
        {QStringLiteral("Roll"), angle(roll)},
        {QStringLiteral("Zoom"),
         reporting && zoom > 0 ? fixed(zoom, 1) + QLatin1Char('x') : QStringLiteral("--")},
    };
    if (hasLaser)
        fields.append({QStringLiteral("Range"), reporting && range > 0
                                                    ? fixed(range, 1) + QStringLiteral(" m")
                                                    : QStringLiteral("--")});
    fields.append({QStringLiteral("Stream"), stream});
    return fields;
}
