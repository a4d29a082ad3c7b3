#include "addressbook/AddressEntry.h"

#include "base/TextUtil.h"

const std::array<AddressFieldInfo, kAddressFieldCount>& addressFields()
{
    static const std::array<AddressFieldInfo, kAddressFieldCount> fields = {{
        {AddressField::Salutation, "addrslt", "txtSalutation", 20, false},
        {AddressField::FirstName, "addrnam1", "txtFirstName", 255, false},
        {AddressField::LastName, "addrnam2", "txtLastName", 255, false},
        {AddressField::Title, "addrttl", "txtTitle", 255, false},
        {AddressField::PhoneNo, "addrno", "txtPhoneNo", 20, false},
        {AddressField::Email, "addreml", "txtEmail", 255, false},
        {AddressField::ContactNo, "addrctn", "txtContactNo", 20, false},
        {AddressField::ContactExt, "addrcte", "txtContactExt", 20, false},
        {AddressField::FaxNo, "addrfax", "txtFaxNo", 20, false},
        {AddressField::Company, "addrco", "txtCompany", 255, false},
        {AddressField::StAddress, "addrstaddr", "txtStAddress", 255, true},
        {AddressField::PCode, "addrpcd", "txtPCode", 20, false},
        {AddressField::Field1, "addrf1", "txtField1", 255, false},
        {AddressField::Field2, "addrf2", "txtField2", 255, false},
        {AddressField::Field3, "addrf3", "txtField3", 255, false},
        {AddressField::Remark, "addrrem", "txtRemark", 255, true},
    }};
    return fields;
}

const AddressFieldInfo& addressFieldInfo(AddressField field) { return addressFields()[size_t(field)]; }

QString addressDisplayName(const QString& first, const QString& last)
{
    return first + QLatin1Char(' ') + last;
}

QString AddressEntry::displayName() const
{
    return addressDisplayName((*this)[AddressField::FirstName], (*this)[AddressField::LastName]);
}

AddressEntry AddressEntry::cleaned() const
{
    AddressEntry out;
    for (const AddressFieldInfo& info : addressFields())
        out[info.field] = trimBlanks((*this)[info.field]).left(info.maxLength);
    return out;
}
