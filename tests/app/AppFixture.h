#pragma once

#include "app/TStationLinks.h"
#include "common/TScriptedPrompts.h"
#include "common/TTestHome.h"
#include "gui/app/TStationLinksRoom.h"
#include "gui/app/TThemeRoom.h"
#include "gui/app/TfrmMain.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

// The box that answers a duplicate typed into the entry form.
inline const QString kDupe = QStringLiteral("Whoa there cowboy!!  This puppy is a DUPE!!!");

// A main window over a private work folder that already exists (no first-run questions), with the own
// locator set so that start-up asks nothing.
struct TAppFixture
{
    TTestHome home;
    TScriptedPrompts prompts;
    std::unique_ptr<TfrmMain> window;

    // More lines for the settings file may be given (key=value).
    explicit TAppFixture(const QStringList& moreSettings = {})
    {
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        home.PrepareWorkFolder();
        home.WriteSettings(QStringList{QStringLiteral("Grid=FN31PR"), QStringLiteral("LastMode=SSB")} +
                           moreSettings);
        window = std::make_unique<TfrmMain>(prompts);
    }

    template <typename T = QWidget> T* Find(const char* name) const
    {
        return window->findChild<T*>(QString::fromLatin1(name));
    }

    QLineEdit* Edit(const char* name) const { return Find<QLineEdit>(name); }
    QComboBox* Combo(const char* name) const { return Find<QComboBox>(name); }

    // Runs an action on the next modal dialog once it is shown (the dialog's own exec() is running).
    static void OnNextModal(std::function<void(QDialog*)> action)
    {
        auto* timer = new QTimer;
        timer->setInterval(5);
        QObject::connect(timer, &QTimer::timeout, [timer, action] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                dialog && dialog->isVisible()) {
                timer->stop();
                timer->deleteLater();
                action(dialog);
            }
        });
        timer->start();
    }

    // Creates a log with the setup dialog (File > New): call sign, event and mode, the other required
    // fields filled with plain values.
    void NewLog(const QString& call, const QString& event, const QString& mode = QStringLiteral("SSB"),
                std::function<void(QDialog*)> more = {})
    {
        OnNextModal([=](QDialog* d) {
            d->findChild<QComboBox*>(QStringLiteral("cboContest"))->setEditText(event);
            d->findChild<QComboBox*>(QStringLiteral("cboMode"))->setEditText(mode);
            for (const auto& [name, value] :
                 std::initializer_list<std::pair<const char*, const char*>>{{"txtCallSign", ""},
                                                                            {"txtFirstName", "Pat"},
                                                                            {"txtLastName", "O'Neil"},
                                                                            {"txtAddress", "1 Main St"},
                                                                            {"txtCity", "Tucson"},
                                                                            {"txtState", "AZ"},
                                                                            {"txtZipCode", "85701"}}) {
                d->findChild<QLineEdit*>(QString::fromLatin1(name))->setText(QString::fromUtf8(value));
            }
            d->findChild<QLineEdit*>(QStringLiteral("txtCallSign"))->setText(call);
            if (more) {
                more(d);
            }
            d->findChild<QPushButton*>(QStringLiteral("btnOK"))->click();
        });
        window->DoNewLog();
    }

    // Types a contact into the entry form.
    void Type(const QString& call, const QString& tenten = QString(),
              const QString& mode = QStringLiteral("SSB"), const QString& epc = QString(),
              const QString& p070 = QString(), const QString& county = QString())
    {
        Edit("txtCallsign")->setText(call);
        Edit("txtTenTen")->setText(tenten);
        Combo("cboMode")->setEditText(mode);
        Edit("txtEPC")->setText(epc);
        Edit("txtP070")->setText(p070);
        Combo("cboCounty")->setEditText(county);
    }

    QVariant Scalar(const QString& sql) const
    {
        QSqlQuery q(window->DM().condb());
        if (!q.exec(sql) || !q.next()) {
            return QVariant();
        }
        return q.value(0);
    }

    int Rows(const QString& table) const
    {
        return Scalar(QStringLiteral("select count(*) from \"%1\"").arg(table)).toInt();
    }
};
