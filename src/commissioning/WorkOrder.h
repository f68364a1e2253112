#pragma once
// The work order: an XML file of managed objects, among them QORA units with
// the values they are to be commissioned with. CWorkOrder holds the document
// reduced to one chosen unit; WorkOrderValues holds that unit's values.
// Reading the file and choosing the unit: WorkOrderReader.h.

#include "commissioning/WorkOrderResult.h"
#include "commissioning/XmlPtr.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <libxml/tree.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

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

// Picks one unit out of the names (document order) of a work order holding
// several; gives its index. An index outside the list picks the first unit,
// as does a cancelled choice. The caller that reads the work order decides
// who is asked: the desktop program its selection dialog, qora-cli its
// option.
using UnitChooser = std::function<int(const QStringList& unitNames)>;

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
    CWorkOrder(XmlPtr<xmlDoc> doc, xmlNodePtr unit);
    CWorkOrder(CWorkOrder&& other) noexcept;
    CWorkOrder& operator=(CWorkOrder&& other) noexcept;

    // Reads the file, keeping only QORA units out of its managed objects,
    // asks `choose` for one unit when there are several (without it the
    // first is kept) and drops the others. Holds nothing after a failure,
    // which carries the message to show.
    WorkOrderStatus<> Load(const QString& path, const UnitChooser& choose = {});
    // The same for a work order already in memory.
    WorkOrderStatus<> LoadFromBytes(const QByteArray& xml, const UnitChooser& choose = {});

    [[nodiscard]] bool IsLoaded() const { return unit_ != nullptr; }
    [[nodiscard]] xmlDocPtr Document() const { return doc_.get(); }
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
    bool GetInteger(const char* name, std::int32_t& value) const;
    bool GetText(const char* name, QString& value) const;

    XmlPtr<xmlDoc> doc_;
    xmlNodePtr unit_ = nullptr; // inside doc_
};

// Reads the fourteen values, stopping at the first missing one (false, with
// its name in `missing` when asked for).
bool ReadWorkOrderValues(const CWorkOrder& workOrder, WorkOrderValues& values, QString* missing = nullptr);

