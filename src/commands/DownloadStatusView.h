#pragma once

// Read-only view of the media album's download state, as far as the
// acknowledgement log needs it: refusals of a running download's follow-up
// requests are expected and not worth a user line.
class DownloadStatusView
{
public:
    virtual ~DownloadStatusView() = default;
    virtual bool downloading() const = 0;
    virtual double downloadProgress() const = 0;
};
