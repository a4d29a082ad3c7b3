#pragma once
// One address-book entry as the entry forms keep it: the 16 columns of
// tbaddrs that the forms write (the department, addrdpt, is never written
// by them), with the length limit of each.
#include <QString>
#include <array>

enum class AddressField {
    Salutation,
    FirstName,
    LastName,
    Title,
    PhoneNo,
    Email,
    ContactNo,
    ContactExt,
    FaxNo,
    Company,
    StAddress,
    PCode,
    Field1,
    Field2,
    Field3,
    Remark,
};

constexpr int kAddressFieldCount = 16;

struct AddressFieldInfo {
    AddressField field;
    const char* column;   // the tbaddrs column
    const char* control;  // the entry forms' text box
    int maxLength;        // in characters
    bool multiLine;
};

// The 16 fields in the order of the insert statement's column list.
const std::array<AddressFieldInfo, kAddressFieldCount>& addressFields();
const AddressFieldInfo& addressFieldInfo(AddressField field);

struct AddressEntry {
    std::array<QString, kAddressFieldCount> values;

    QString& operator[](AddressField f) { return values[size_t(f)]; }
    const QString& operator[](AddressField f) const { return values[size_t(f)]; }

    QString number() const { return (*this)[AddressField::PhoneNo]; }
    // First name, a blank, last name: the name the lists show.
    QString displayName() const;
    // Every value with the blanks before and after it removed, and cut to
    // its field's length.
    AddressEntry cleaned() const;
};

// The name the lists show for a row: first name, one blank, last name (a
// missing part reads as empty, so the blank is always there).
QString addressDisplayName(const QString& first, const QString& last);
