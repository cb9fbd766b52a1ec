#pragma once

#include <cmath>

// The picture space of every position the camera reports or is told, and how
// a point of the picture maps to a direction in the world.
namespace SimGeometry
{

constexpr int PictureWidth = 1920;
constexpr int PictureHeight = 1080;
constexpr double VisibleFovDeg = 60.0; // horizontal field of view at zoom 1
constexpr double InfraredFovDeg = 50.0;

struct Direction {
    double yaw = 0;
    double pitch = 0;
};

// Where picture point (x, y) lies for a camera looking at (yaw, pitch) with a
// horizontal field of view of `hfovDeg` degrees.
inline Direction directionOf(double x, double y, double yaw, double pitch, double hfovDeg)
{
    const double vfov = hfovDeg * PictureHeight / PictureWidth;
    return Direction{yaw + (x - PictureWidth / 2.0) / PictureWidth * hfovDeg,
                     pitch - (y - PictureHeight / 2.0) / PictureHeight * vfov};
}

// Yaw travels as signed hundredths of a degree, which cannot carry more than
// 327.67°: report it in the -180..180 range whatever the mechanical limits.
inline double wireYaw(double yaw)
{
    double y = std::fmod(yaw + 180.0, 360.0);
    if (y < 0)
        y += 360.0;
    return y - 180.0;
}

} // namespace SimGeometry
