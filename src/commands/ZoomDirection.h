#pragma once

#include <QObject>

// The directions of continuous zoom (the continuousZoom command's one byte),
// as the camera's protocol defines them. Every place that starts or stops a
// zoom names its direction through these, so a camera that ever read the
// byte the other way round would be one line here.
namespace ZoomDirection
{
Q_NAMESPACE
enum Value { In = 0, Out = 1, Stop = 2 };
Q_ENUM_NS(Value)
} // namespace ZoomDirection
