// Hands a web address or a mailto: address to the desktop. Tests put a
// recording opener in its place.
#pragma once

#include <QUrl>

class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // The result is not reported: the desktop may or may not have a handler.
    virtual void openUrl(const QUrl &url) = 0;
};

class DesktopUrlOpener final : public UrlOpener {
public:
    void openUrl(const QUrl &url) override;
};
