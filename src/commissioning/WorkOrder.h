#pragma once
// The work order: an XML file of managed objects, among them QORA units with
// the values they are to be commissioned with. CWorkOrder holds the document
// reduced to one chosen unit; WorkOrderValues holds that unit's values.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <libxml/tree.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace WorkOrderStringId {
inline constexpr unsigned ReadError = 61249;
inline constexpr unsigned OutOfMemory = 61250;
inline constexpr unsigned CreateParserFailed = 61288;
inline constexpr unsigned ParseFailed = 61289;
inline constexpr unsigned NoUnits = 61290;
} // namespace WorkOrderStringId

struct WorkOrderValues {
    QString unitName;
    QString unitType;
    std::int32_t q1Address = -1;
    std::int32_t q1SpeedCode = -1;
    double antennaLongitude = -180.0; // degrees, east positive
    double antennaLatitude = -90.0;   // degrees, north positive
    std::int32_t antennaAltitude = -1; // centimetres
    std::int32_t gpsAntennaDelay = -1; // ns
    std::int32_t frameClockDelay = -1; // ns
    QString q1Relay;
    QString ipAddress;
    QString subnetMask;
    QString gatewayAddress;
    QString gpsMode;
};

// Picks one unit out of the names (document order) when a work order holds
// several; gives its index. An index outside the list picks the first unit, as
// does a cancelled choice. The default picks the first unit; the desktop
// program installs its selection dialog.
using UnitChoiceFunction = std::function<int(const QStringList& unitNames)>;
UnitChoiceFunction SetUnitChoiceFunction(UnitChoiceFunction function); // returns the one replaced

// Leading white space, optional sign, decimal digits up to the first other
// character; no digits gives 0. Values beyond 32 bits are held at the limit.
[[nodiscard]] std::int32_t ParseWorkOrderInteger(const QString& text);
// The same for a decimal floating-point number.
[[nodiscard]] double ParseWorkOrderReal(const QString& text);

class CWorkOrder {
public:
    // A file of any size is read as a stream; only what is kept (the units
    // and what stands outside managed objects) is built, up to this many
    // bytes. A work order keeping more is refused as unreadable.
    static constexpr std::size_t MaxKeptSize = 32 * 1024 * 1024;

    CWorkOrder() = default;
    ~CWorkOrder();
    CWorkOrder(const CWorkOrder&) = delete;
    CWorkOrder& operator=(const CWorkOrder&) = delete;

    // Reads the file, keeping only QORA units out of its managed objects, lets
    // the user choose one unit and drops the others. Shows its error message
    // and returns false (holding nothing) on failure.
    bool Load(const QString& path);
    // The same for a work order already in memory.
    bool LoadFromBytes(const QByteArray& xml);

    [[nodiscard]] bool IsLoaded() const { return unit_ != nullptr; }
    [[nodiscard]] xmlDocPtr Document() const { return doc_; }
    [[nodiscard]] xmlNodePtr UnitElement() const { return unit_; }

    // The first p element named so below the element (the unit element when
    // none is given), in document order; none when it is missing or there is
    // no element. Element and attribute go by local name, in any namespace.
    [[nodiscard]] xmlNodePtr FindParameterElement(const QString& name, xmlNodePtr element = nullptr) const;
    // Its text; false when it is missing or there is no element.
    bool FindParameterText(const QString& name, QString& text, xmlNodePtr element = nullptr) const;

    bool GetName(QString& value) const;
    bool GetType(QString& value) const;
    bool GetQ1Address(std::int32_t& value) const;
    bool GetQ1Speed(std::int32_t& value) const;
    bool GetAntennaLatitude(double& degrees) const;
    bool GetAntennaLongitude(double& degrees) const;
    bool GetAntennaAltitude(std::int32_t& centimetres) const;
    bool GetBtsGpsDelay(std::int32_t& ns) const;
    bool GetBtsFrDelay(std::int32_t& ns) const;
    bool GetGPSMode(QString& value) const;
    bool GetQ1Relay(QString& value) const;
    bool GetQ1IP(QString& value) const;
    bool GetQ1GW(QString& value) const;
    bool GetQ1Mask(QString& value) const;

private:
    void Release();
    bool Adopt(xmlDocPtr filtered);
    bool GetInteger(const char* name, std::int32_t& value) const;
    bool GetText(const char* name, QString& value) const;

    xmlDocPtr doc_ = nullptr;
    xmlNodePtr unit_ = nullptr;
};

// Reads the fourteen values, stopping at the first missing one (false).
bool ReadWorkOrderValues(const CWorkOrder& workOrder, WorkOrderValues& values);

// Opens a work order for the main frame: replaces the current one, reads its
// values into the record (created when there is none) and remembers the path.
// On failure shows the reading error and leaves no work order (and, when the
// values could not be read, no record either).
bool OpenWorkOrder(const QString& path, std::unique_ptr<CWorkOrder>& workOrder,
                   std::unique_ptr<WorkOrderValues>& values, QString& currentPath);
