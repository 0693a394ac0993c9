// Where the framework's error messages go: a critical message box in the
// program, a recording reporter in tests.
#pragma once

#include <QString>

class QWidget;

class ErrorReporter {
public:
    virtual ~ErrorReporter() = default;
    // Shows `message` with a stop icon above `owner` (may be null) and
    // returns once the user has dismissed it.
    virtual void ReportError(QWidget *owner, const QString &message) = 0;
};

class MessageBoxErrorReporter final : public ErrorReporter {
public:
    void ReportError(QWidget *owner, const QString &message) override;
};
