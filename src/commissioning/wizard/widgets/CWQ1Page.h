#pragma once
// The Q1 page: the unit's Q1 bus address and speed and its IP address, subnet
// mask and gateway. Made only on a local connection; its inputs are disabled
// while the connection is remote.

#include "commissioning/wizard/widgets/CWPage.h"

class CIpAddressEdit;
class CSmartEdit;
class QCheckBox;
class QComboBox;

class CCWQ1Page : public CCWPage {
    Q_OBJECT
public:
    explicit CCWQ1Page(CCommissionWiz& wizard);

    bool validatePage() override;
    [[nodiscard]] int BackTarget() const override;

    [[nodiscard]] CSmartEdit* Q1AddressEdit() const { return q1Address_; }
    [[nodiscard]] QComboBox* SpeedList() const { return speed_; }
    [[nodiscard]] CIpAddressEdit* IpAddressEdit() const { return ip_; }
    [[nodiscard]] CIpAddressEdit* SubnetEdit() const { return mask_; }
    [[nodiscard]] CIpAddressEdit* GatewayEdit() const { return gateway_; }

protected:
    void Open() override;
    void Refresh() override;
    void FocusField(const SPageProblem& problem) override;

private:
    CSmartEdit* q1Address_;
    QComboBox* speed_;
    QCheckBox* relay_;
    CIpAddressEdit* ip_;
    CIpAddressEdit* mask_;
    CIpAddressEdit* gateway_;
};
