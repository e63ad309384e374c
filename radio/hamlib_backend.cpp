// The rig module: everything of the program that calls into Hamlib. The program opens
// it the first time radio control is used (rig_module_loader.h), so Hamlib and the
// libraries it brings are loaded only then.

#include "rig_backend.h"

#include <hamlib/rig.h>

#include <QObject>
#include <QTcpSocket>

#include <algorithm>
#include <mutex>

namespace halvion {

namespace {

// Hamlib registers its backends' models in shared tables the first time they are
// looked up; the whole list is loaded once, under this lock, before any rig is made.
std::mutex &registryMutex()
{
    static std::mutex m;
    return m;
}

int collectModel(const rig_caps *caps, rig_ptr_t data)
{
    auto *models = static_cast<std::vector<RigModelInfo> *>(data);
    RigModelInfo info;
    info.model = static_cast<int>(caps->rig_model);
    info.maker = caps->mfg_name ? caps->mfg_name : "";
    info.name = caps->model_name ? caps->model_name : "";
    switch (caps->port_type) {
    case RIG_PORT_NONE: info.port = RigPortKind::None; break;
    case RIG_PORT_SERIAL: info.port = RigPortKind::Serial; break;
    case RIG_PORT_NETWORK: info.port = RigPortKind::Network; break;
    default: info.port = RigPortKind::Other; break;
    }
    info.rateMin = caps->serial_rate_min;
    info.rateMax = caps->serial_rate_max;
    models->push_back(std::move(info));
    return 1; // go on
}

std::string errorText(int code)
{
    // rigerror() appends Hamlib's last debug lines; rigerror2() is the message alone.
    std::string text = rigerror2(code);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

bool setConf(RIG *rig, const char *name, const std::string &value)
{
    const token_t token = rig_token_lookup(rig, name);
    return token != RIG_CONF_END && rig_set_conf(rig, token, value.c_str()) == RIG_OK;
}

// A network rig whose connection failed: a plain connection to its address tells
// whether anything listens there. Runs on the worker's thread, like every rig call.
std::optional<RigFailure> probeAddress(const std::string &address)
{
    std::string host;
    int port = 0;
    if (!splitHostPort(address, host, port))
        return std::nullopt;
    QTcpSocket socket;
    socket.connectToHost(QString::fromStdString(host), quint16(port));
    if (socket.waitForConnected(RigReplyTimeoutMs)) {
        socket.abort();
        return std::nullopt;
    }
    switch (socket.error()) {
    case QAbstractSocket::ConnectionRefusedError:
        return RigFailure{RigFailure::Kind::Unreachable, "connection refused. Is rigctld running?"};
    case QAbstractSocket::HostNotFoundError:
        return RigFailure{RigFailure::Kind::Unreachable, "no such host. Check the address."};
    case QAbstractSocket::NetworkError:
        return RigFailure{RigFailure::Kind::Unreachable, "the network is unreachable. Check the address."};
    case QAbstractSocket::SocketTimeoutError:
        return RigFailure{RigFailure::Kind::NoAnswer, {}};
    default:
        return std::nullopt;
    }
}

std::vector<RigModelInfo> listModels()
{
    std::lock_guard lock(registryMutex());
    rig_set_debug(RIG_DEBUG_NONE);
    std::vector<RigModelInfo> list;
    rig_load_all_backends();
    rig_list_foreach(collectModel, &list);
    std::sort(list.begin(), list.end(), [](const RigModelInfo &a, const RigModelInfo &b) {
        return std::tie(a.maker, a.name, a.model) < std::tie(b.maker, b.name, b.model);
    });
    return list;
}

const std::vector<RigModelInfo> &rigModels()
{
    static const std::vector<RigModelInfo> models = listModels();
    return models;
}

const RigModelInfo *findRigModel(int model)
{
    const auto &models = rigModels();
    const auto it = std::find_if(models.begin(), models.end(), [model](const RigModelInfo &m) { return m.model == model; });
    return it == models.end() ? nullptr : &*it;
}

// One rig of Hamlib's.
class HamlibConnection : public RigConnection {
public:
    ~HamlibConnection() override { close(); }
    std::optional<RigFailure> open(const RadioSettings &settings) override;
    bool isOpen() const override { return rig_ != nullptr; }
    void close() override;
    std::optional<RigFailure> tune(double frequencyHz) override;
    std::optional<RigFailure> read(RigReading &reading) override;

private:
    std::optional<RigFailure> failure(int code) const;

    RIG *rig_ = nullptr;
    RadioSettings settings_;
    RigPortKind port_ = RigPortKind::Other;
};

std::optional<RigFailure> HamlibConnection::open(const RadioSettings &s)
{
    close();
    const RigModelInfo *info = findRigModel(s.model); // loads the backends first
    if (!info)
        return RigFailure{RigFailure::Kind::Other, "Rig model " + std::to_string(s.model) + " is not one Hamlib knows"};
    RIG *rig = nullptr;
    {
        std::lock_guard lock(registryMutex());
        rig = rig_init(static_cast<rig_model_t>(s.model));
    }
    if (!rig)
        return RigFailure{RigFailure::Kind::Other, "Hamlib could not set up the " + info->label()};
    settings_ = s;
    port_ = info->port;
    if (info->port != RigPortKind::None && !s.port.empty())
        setConf(rig, "rig_pathname", s.port);
    if (info->port == RigPortKind::Serial && s.serialSpeed > 0)
        setConf(rig, "serial_speed", std::to_string(s.serialSpeed));
    // A radio that stopped answering is given up on within a second: a rig's own timeout
    // when it is shorter, and no retries on top (rigctld retries its radio itself). A
    // serial line may garble a reply now and then, so it keeps one retry, on a shorter
    // timeout.
    const int ownTimeout = rig->caps->timeout;
    const int timeoutMs = info->port == RigPortKind::Serial ? 600 : RigReplyTimeoutMs;
    setConf(rig, "timeout", std::to_string(ownTimeout > 0 ? std::min(ownTimeout, timeoutMs) : timeoutMs));
    setConf(rig, "retry", info->port == RigPortKind::Serial ? "1" : "0");
    setConf(rig, "cache_timeout", "0");
    const int result = rig_open(rig);
    if (result != RIG_OK) {
        rig_cleanup(rig);
        return failure(result);
    }
    rig_ = rig;
    return std::nullopt;
}

std::optional<RigFailure> HamlibConnection::failure(int code) const
{
    if (code == -RIG_ETIMEOUT)
        return RigFailure{RigFailure::Kind::NoAnswer, errorText(code)};
    // A network rig whose connection failed, was refused, reset or closed reports an I/O
    // or a protocol error: what a new connection meets says which it was.
    if (port_ == RigPortKind::Network)
        if (auto probed = probeAddress(settings_.port)) {
            if (probed->text.empty())
                probed->text = errorText(code);
            return probed;
        }
    return RigFailure{RigFailure::Kind::Other, errorText(code)};
}

void HamlibConnection::close()
{
    if (!rig_)
        return;
    rig_close(rig_);
    rig_cleanup(rig_);
    rig_ = nullptr;
}

std::optional<RigFailure> HamlibConnection::tune(double frequencyHz)
{
    if (!rig_)
        return RigFailure{RigFailure::Kind::Other, "The radio is not open"};
    const int mode = rig_set_mode(rig_, RIG_VFO_CURR, RIG_MODE_CW, RIG_PASSBAND_NOCHANGE);
    // A receiver that cannot do CW, or will not say so, is still tuned.
    if (mode != RIG_OK && mode != -RIG_ENAVAIL && mode != -RIG_ENIMPL && mode != -RIG_EINVAL)
        return failure(mode);
    const int freq = rig_set_freq(rig_, RIG_VFO_CURR, frequencyHz);
    if (freq != RIG_OK)
        return failure(freq);
    return std::nullopt;
}

std::optional<RigFailure> HamlibConnection::read(RigReading &reading)
{
    if (!rig_)
        return RigFailure{RigFailure::Kind::Other, "The radio is not open"};
    freq_t freq = 0;
    const int f = rig_get_freq(rig_, RIG_VFO_CURR, &freq);
    if (f != RIG_OK)
        return failure(f);
    reading.frequencyHz = freq;
    rmode_t mode = RIG_MODE_NONE;
    pbwidth_t width = 0;
    const int m = rig_get_mode(rig_, RIG_VFO_CURR, &mode, &width);
    reading.mode = m == RIG_OK ? rig_strrmode(mode) : "";
    // A receiver that cannot tell its mode still reads; any other failure leaves the
    // connection with a request unanswered, whose late reply must not be taken for the
    // answer to the next one: the caller drops the connection.
    if (m != RIG_OK && m != -RIG_ENAVAIL && m != -RIG_ENIMPL && m != -RIG_EINVAL)
        return failure(m);
    return std::nullopt;
}

} // namespace

// The object the module loader finds in the module.
class HamlibModuleEntry : public QObject, public RigBackend {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID HALVION_RIG_BACKEND_IID)
    Q_INTERFACES(halvion::RigBackend)
public:
    const std::vector<RigModelInfo> &models() override { return rigModels(); }
    std::unique_ptr<RigConnection> connection() override { return std::make_unique<HamlibConnection>(); }
};

} // namespace halvion

#include "hamlib_backend.moc"
