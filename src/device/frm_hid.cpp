#include "device/frm_hid.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kinetra {

frm_hid::frm_hid(Stato& stato, LibreriaHid& libreria, InterfacciaCollegamento& ui, QWidget* parent)
    : QWidget(parent), m_finestra(new FinestraHid(this)), m_collegamento(stato, libreria, ui) {
    setObjectName(QStringLiteral("frm_hid"));
    setWindowTitle(QStringLiteral("EasyHID Template"));
    Command1 = new QPushButton(QStringLiteral("Command1"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command2 = new QPushButton(QStringLiteral("Command2"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command3 = new QPushButton(QStringLiteral("Command3"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    auto* pulsanti = new QHBoxLayout;
    pulsanti->addWidget(Command1);
    pulsanti->addWidget(Command2);
    pulsanti->addWidget(Command3);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(pulsanti);
    layout->addWidget(Text1);
    connect(Command1, &QPushButton::clicked, this, &frm_hid::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frm_hid::Command2_Click);
    Form_Load();
}

frm_hid::~frm_hid() {
    Form_Unload();
}

void frm_hid::Form_Load() {
    m_collegamento.Collega_hid(m_finestra);
}

void frm_hid::Form_Unload() {
    if (m_collegamento.collegato())
        m_collegamento.Scollega_hid();
}

} // namespace kinetra
