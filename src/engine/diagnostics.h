#pragma once
#include <string>

namespace kelvaro {

// Where a failure nobody foresaw is told, for support: the user still sees the
// program's own short message, and this keeps what it was and where.
class IDiagnostics {
public:
    virtual ~IDiagnostics() = default;
    virtual void Record(const std::wstring& line) = 0;
};

// The program sets its sink once, at its start; none records nothing.
void SetDiagnostics(IDiagnostics* sink);
// The sink for as long as the scope lasts.
class DiagnosticsScope {
public:
    explicit DiagnosticsScope(IDiagnostics& sink) { SetDiagnostics(&sink); }
    ~DiagnosticsScope() { SetDiagnostics(nullptr); }
    DiagnosticsScope(const DiagnosticsScope&) = delete;
    DiagnosticsScope& operator=(const DiagnosticsScope&) = delete;
};
// Called inside a catch block: records `place`, the exception's message and
// the system's last error, in one line.
void RecordUnexpected(const char* place);

}  // namespace kelvaro
