#pragma once

#include "data/tLogRecord.h"

#include <QDialog>
#include <QStringList>
#include <functional>

class QComboBox;
class QLineEdit;
class QRadioButton;

// The dialog that corrects one logged contact: the entry form's fields, filled from the stored contact.
// OK asks the accept check first (the duplicate rule); the dialog stays open when it refuses.
class TfrmEditContact : public QDialog
{
    Q_OBJECT

public:
    struct TLists
    {
        QStringList states;
        QStringList countries;
        QStringList modes;
        std::function<QStringList(const QString&)> countiesOf;
    };

    TfrmEditContact(const tLogRecord& rec, const TLists& lists, bool openSeason, QWidget* parent = nullptr);

    // The contact as the fields now hold it (points and DXCC number as they were read).
    tLogRecord Record() const;
    bool IsUS() const;
    void SetAcceptCheck(std::function<bool(const TfrmEditContact&)> check)
    {
        fAcceptCheck = std::move(check);
    }

    void accept() override;

private:
    void ShowQTHChoice(bool us);

    tLogRecord fRec;
    TLists fLists;
    std::function<bool(const TfrmEditContact&)> fAcceptCheck;
    QLineEdit* txtDate;
    QLineEdit* txtTime;
    QLineEdit* txtCallsign;
    QLineEdit* txtName;
    QLineEdit* txtTenTen;
    QLineEdit* txtVP;
    QComboBox* cboMode;
    QLineEdit* txtEPC;
    QLineEdit* txtP070;
    QRadioButton* rbUS;
    QRadioButton* rbDX;
    QComboBox* cboQTH;
    QComboBox* cboCounty;
    QLineEdit* txtComments;
};
