#pragma once
// The node directory: the units the network browser offers, grouped as the
// operator's network shows them (region, site, ...). It is a JSON file that
// people edit by hand and that the simulated unit can write; the format is in
// docs/link-contract.md. Reading is strict: a file with anything wrong in it
// yields an error text that says what and where, and no nodes at all, so the
// browser never offers half a directory.

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr const char* kRksDirectoryVariable = "QORA_RKS_DIRECTORY";

// The node kind that marks a unit reached over the operator's network.
inline constexpr std::uint16_t kRksRemoteUnitKind = 1;

// Bounds of what a directory may hold: an operator's whole network, up to a
// hundred thousand units.
inline constexpr qint64 kRksDirectoryMaxBytes = 32 * 1024 * 1024;
inline constexpr std::size_t kRksDirectoryMaxNodes = 100000;
inline constexpr std::size_t kRksDirectoryMaxGroups = 10000;
inline constexpr int kRksDirectoryMaxDepth = 8; // group levels below the top
inline constexpr qsizetype kRksNameMaxChars = 128;
inline constexpr std::size_t kRksConnectionMaxBytes = 1024;

struct RksNode {
    std::string name;       // UTF-8; unique in the directory regardless of case
    std::uint16_t kind = 0;
    std::string connection; // printable ASCII with "ADDR=" and the bus address
};

struct RksNodeGroup {
    std::string name; // UTF-8; empty for the top level only
    std::vector<RksNodeGroup> groups;
    std::vector<RksNode> nodes;
};

class CRksNodeDirectory {
public:
    // Reads a directory from JSON text. On failure the directory is empty and
    // `error` says what is wrong and where.
    bool Parse(const QByteArray& text, QString& error);

    // Reads the file at `path`, at most kRksDirectoryMaxBytes of it.
    bool Load(const QString& path, QString& error);

    [[nodiscard]] const RksNodeGroup& Root() const { return root_; }
    [[nodiscard]] std::size_t NodeCount() const { return nodeCount_; }

    // The node of that name, blanks at either end of `name` not counting: the
    // exact name first, otherwise the one name that differs only in case (the
    // reader refuses directories where two names differ only in case). Null
    // when there is none.
    [[nodiscard]] const RksNode* Find(std::string_view name) const;

private:
    RksNodeGroup root_;
    std::size_t nodeCount_ = 0;
};

// Where the directory is: QORA_RKS_DIRECTORY when it is set and not empty,
// otherwise the service's own setting "Directory"; empty when neither names a
// file.
[[nodiscard]] QString RksConfiguredDirectory();

// The number in a connection string's ADDR item (the item the tool reads, see
// Protocol::SConnection) when it is 1 to 5 digits up to 65535; -1 otherwise.
[[nodiscard]] int RksBusAddress(std::string_view connection);
