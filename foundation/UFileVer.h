#pragma once
// Version numbers of a program file. Linux executables carry no version resource: the
// program's own file answers the version it was built as (the project version, Release and
// Build from its patch number and 0), any other file has no version information.

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

class TFileVer {
public:
    explicit TFileVer(const QString& FileName) : FFileName(FileName) {}

    const QString& FileName() const { return FFileName; }
    // Changing the file name drops the version information read for the previous one.
    void SetFileName(const QString& FileName);

    // The product version: False when the file has no version information (never an error).
    bool GetVersion(uint16_t& Major, uint16_t& Minor, uint16_t& Release, uint16_t& Build);

private:
    QString FFileName;
    bool FLoaded = false;
    std::optional<std::array<uint16_t, 4>> FVersion;
};
