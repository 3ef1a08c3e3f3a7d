#include "device/LibreriaHidapi.h"

#include <hidapi.h>

#include <QMetaObject>

#include <atomic>
#include <cstring>
#include <set>
#include <thread>

namespace kinetra {

namespace {

// hidapi is initialised once for all instances.
std::mutex mutexInizio;
int istanze = 0;

void inizia() {
    std::lock_guard lock(mutexInizio);
    if (istanze++ == 0)
        hid_init();
}

void termina() {
    std::lock_guard lock(mutexInizio);
    if (--istanze == 0)
        hid_exit();
}

} // namespace

struct LibreriaHidapi::Lettore {
    hid_device* dispositivo = nullptr;
    std::atomic<bool> fine{false};
    std::thread filo;

    ~Lettore() {
        fine = true;
        if (filo.joinable())
            filo.join();
        if (dispositivo)
            hid_close(dispositivo);
    }
};

LibreriaHidapi::LibreriaHidapi(QObject* parent) : QObject(parent) {
    inizia();
    m_scansione.setInterval(250);
    connect(&m_scansione, &QTimer::timeout, this, &LibreriaHidapi::enumera);
}

LibreriaHidapi::~LibreriaHidapi() {
    Disconnect();
    termina();
}

bool LibreriaHidapi::Connect(FinestraHid* finestra) {
    Disconnect();
    m_finestra = finestra;
    enumera();
    m_scansione.start();
    return true;
}

bool LibreriaHidapi::Disconnect() {
    m_scansione.stop();
    while (!m_lettori.empty())
        fermaLettore(m_lettori.begin()->first);
    while (!m_scrittura.empty())
        chiudiScrittura(m_scrittura.begin()->first);
    m_presenti.clear();
    m_finestra = nullptr;
    std::lock_guard lock(m_mutex);
    m_rapporti.clear();
    return true;
}

void LibreriaHidapi::notifica(int evento, int handle) {
    if (m_finestra)
        m_finestra->postaMessaggio(MessaggioHid, evento, handle);
}

void LibreriaHidapi::enumera() {
    std::map<std::string, std::pair<int, int>> trovati;
    hid_device_info* elenco = hid_enumerate(0, 0);
    for (hid_device_info* d = elenco; d; d = d->next) {
        if (d->path)
            trovati.emplace(d->path, std::make_pair(int{d->vendor_id}, int{d->product_id}));
    }
    hid_free_enumeration(elenco);

    bool cambiato = false;
    for (auto it = m_presenti.begin(); it != m_presenti.end();) {
        if (trovati.count(it->second.percorso)) {
            trovati.erase(it->second.percorso);
            ++it;
            continue;
        }
        const int handle = it->first;
        it = m_presenti.erase(it);
        fermaLettore(handle);
        chiudiScrittura(handle);
        {
            std::lock_guard lock(m_mutex);
            m_rapporti.erase(handle);
        }
        notifica(HidScollegato, handle);
        cambiato = true;
    }
    for (const auto& [percorso, ids] : trovati) {
        const int handle = m_prossimoHandle++;
        m_presenti[handle] = {percorso, ids.first, ids.second};
        m_identita[handle] = ids;
        notifica(HidCollegato, handle);
        cambiato = true;
    }
    if (cambiato)
        notifica(HidCambiato, 0);
}

int LibreriaHidapi::GetVendorID(int handle) {
    const auto it = m_identita.find(handle);
    return it == m_identita.end() ? 0 : it->second.first;
}

int LibreriaHidapi::GetProductID(int handle) {
    const auto it = m_identita.find(handle);
    return it == m_identita.end() ? 0 : it->second.second;
}

int LibreriaHidapi::GetHandle(int vendorId, int productId) {
    for (const auto& [handle, d] : m_presenti) {
        if (d.vendorId == vendorId && d.productId == productId)
            return handle;
    }
    return 0;
}

void LibreriaHidapi::SetReadNotify(int handle, bool attivo) {
    if (!attivo) {
        fermaLettore(handle);
        return;
    }
    const auto it = m_presenti.find(handle);
    if (it == m_presenti.end() || m_lettori.count(handle))
        return;
    hid_device* dispositivo = hid_open_path(it->second.percorso.c_str());
    if (!dispositivo)
        return;
    auto lettore = std::make_unique<Lettore>();
    lettore->dispositivo = dispositivo;
    Lettore* l = lettore.get();
    lettore->filo = std::thread([this, l, handle] {
        unsigned char dati[ByteRapportoIngresso - 1];
        while (!l->fine) {
            const int n = hid_read_timeout(l->dispositivo, dati, sizeof dati, 100);
            if (n < 0)
                break; // the device went away; the next enumeration reports it
            if (n == 0)
                continue;
            // hidapi leaves the report number out of reports without one: it goes in front.
            Rapporto r{};
            std::memcpy(r.data() + 1, dati, static_cast<size_t>(n));
            accoda(handle, r);
        }
    });
    m_lettori[handle] = std::move(lettore);
}

void LibreriaHidapi::accoda(int handle, const Rapporto& rapporto) {
    {
        std::lock_guard lock(m_mutex);
        auto& coda = m_rapporti[handle];
        if (coda.size() >= RapportiInAttesaMassimi)
            coda.pop_front();
        coda.push_back(rapporto);
    }
    QMetaObject::invokeMethod(
        this, [this, handle] { notifica(HidLettura, handle); }, Qt::QueuedConnection);
}

void LibreriaHidapi::fermaLettore(int handle) {
    m_lettori.erase(handle); // the reader's destructor stops and joins its thread
}

void LibreriaHidapi::chiudiScrittura(int handle) {
    const auto it = m_scrittura.find(handle);
    if (it == m_scrittura.end())
        return;
    hid_close(it->second);
    m_scrittura.erase(it);
}

bool LibreriaHidapi::Read(int handle, std::uint8_t* buffer) {
    std::lock_guard lock(m_mutex);
    const auto it = m_rapporti.find(handle);
    if (it == m_rapporti.end() || it->second.empty())
        return false;
    std::memcpy(buffer, it->second.front().data(), ByteRapportoIngresso);
    it->second.pop_front();
    return true;
}

void LibreriaHidapi::WriteEx(int vendorId, int productId, const std::uint8_t* buffer) {
    const int handle = GetHandle(vendorId, productId);
    if (handle == 0)
        return;
    // Writes use a handle of their own, so the reader thread never shares one with this thread.
    auto it = m_scrittura.find(handle);
    if (it == m_scrittura.end()) {
        hid_device* d = hid_open_path(m_presenti[handle].percorso.c_str());
        if (!d)
            return;
        it = m_scrittura.emplace(handle, d).first;
    }
    if (hid_write(it->second, buffer, ByteRapportoUscita) < 0)
        chiudiScrittura(handle);
}

} // namespace kinetra
