#include "SaneDeviceLayer.h"

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <QByteArray>
#include <cmath>
#include <cstring>
#include <mutex>

namespace {

DeviceStatus fromSane(SANE_Status status)
{
    return static_cast<DeviceStatus>(status);
}

class SaneHandle : public ScanDeviceHandle
{
public:
    explicit SaneHandle(SANE_Handle handle) : m_handle(handle) {}
    ~SaneHandle() override { sane_close(m_handle); }

    QStringList sources() override { return listValues(QStringLiteral(SANE_NAME_SCAN_SOURCE)); }

    QStringList booleanOptions() override
    {
        return optionNames(
            [](const SANE_Option_Descriptor& option) { return option.type == SANE_TYPE_BOOL; });
    }

    DeviceStatus setSource(const QString& source) override
    {
        return setText(QStringLiteral(SANE_NAME_SCAN_SOURCE), source);
    }

    DeviceStatus setBoolean(const QString& name, bool value) override
    {
        const int index = findOption(name.toUtf8().constData());
        if (index < 0)
            return DeviceStatus::unsupported;
        SANE_Bool flag = value ? SANE_TRUE : SANE_FALSE;
        return fromSane(
            sane_control_option(m_handle, index, SANE_ACTION_SET_VALUE, &flag, nullptr));
    }

    QStringList listValues(const QString& name) override
    {
        QStringList values;
        const SANE_Option_Descriptor* option = usable(name);
        if (!option || option->type != SANE_TYPE_STRING ||
            option->constraint_type != SANE_CONSTRAINT_STRING_LIST)
            return values;
        for (const SANE_String_Const* value = option->constraint.string_list; value && *value;
             ++value)
            values.append(QString::fromUtf8(*value));
        return values;
    }

    QStringList listOptions() override
    {
        return optionNames([](const SANE_Option_Descriptor& option) {
            return option.type == SANE_TYPE_STRING &&
                   option.constraint_type == SANE_CONSTRAINT_STRING_LIST;
        });
    }

    std::optional<NumberOption> number(const QString& name) override
    {
        const int index = findOption(name.toUtf8().constData());
        const SANE_Option_Descriptor* option = usable(name);
        // Single numbers only; arrays (gamma tables) are no setting of ours.
        if (!option || (option->type != SANE_TYPE_INT && option->type != SANE_TYPE_FIXED) ||
            option->size != sizeof(SANE_Word))
            return std::nullopt;
        const bool fixed = option->type == SANE_TYPE_FIXED;
        const auto toDouble = [fixed](SANE_Word word) {
            return fixed ? SANE_UNFIX(word) : double(word);
        };
        NumberOption number;
        SANE_Word current = 0;
        if (sane_control_option(m_handle, index, SANE_ACTION_GET_VALUE, &current, nullptr) !=
            SANE_STATUS_GOOD)
            return std::nullopt;
        number.value = toDouble(current);
        if (option->constraint_type == SANE_CONSTRAINT_WORD_LIST) {
            const SANE_Word* list = option->constraint.word_list;
            for (SANE_Word i = 1; i <= list[0]; ++i)
                number.values.append(toDouble(list[i]));
        } else if (option->constraint_type == SANE_CONSTRAINT_RANGE) {
            number.min = toDouble(option->constraint.range->min);
            number.max = toDouble(option->constraint.range->max);
            number.step = toDouble(option->constraint.range->quant);
        } else {
            number.min = number.max = number.value;
        }
        return number;
    }

    DeviceStatus setText(const QString& name, const QString& text) override
    {
        const int index = findOption(name.toUtf8().constData());
        if (index < 0)
            return DeviceStatus::unsupported;
        const SANE_Option_Descriptor* option = sane_get_option_descriptor(m_handle, index);
        // String options take a buffer of the option's full size.
        QByteArray value = text.toUtf8();
        value.resize(std::max<qsizetype>(option->size, value.size() + 1), '\0');
        return fromSane(
            sane_control_option(m_handle, index, SANE_ACTION_SET_VALUE, value.data(), nullptr));
    }

    DeviceStatus setNumber(const QString& name, double value) override
    {
        const int index = findOption(name.toUtf8().constData());
        if (index < 0)
            return DeviceStatus::unsupported;
        const SANE_Option_Descriptor* option = sane_get_option_descriptor(m_handle, index);
        SANE_Word word =
            option->type == SANE_TYPE_FIXED ? SANE_FIX(value) : SANE_Word(std::lround(value));
        return fromSane(
            sane_control_option(m_handle, index, SANE_ACTION_SET_VALUE, &word, nullptr));
    }

    DeviceStatus start() override { return fromSane(sane_start(m_handle)); }

    DeviceStatus parameters(FrameFormat& format) override
    {
        SANE_Parameters parameters;
        const SANE_Status status = sane_get_parameters(m_handle, &parameters);
        if (status != SANE_STATUS_GOOD)
            return fromSane(status);
        switch (parameters.format) {
        case SANE_FRAME_GRAY:
            format.kind = FrameFormat::Kind::gray;
            break;
        case SANE_FRAME_RGB:
            format.kind = FrameFormat::Kind::rgb;
            break;
        case SANE_FRAME_RED:
            format.kind = FrameFormat::Kind::red;
            break;
        case SANE_FRAME_GREEN:
            format.kind = FrameFormat::Kind::green;
            break;
        case SANE_FRAME_BLUE:
            format.kind = FrameFormat::Kind::blue;
            break;
        default:
            return DeviceStatus::unsupported;
        }
        format.lastFrame = parameters.last_frame;
        format.bytesPerLine = parameters.bytes_per_line;
        format.pixelsPerLine = parameters.pixels_per_line;
        format.lines = parameters.lines;
        format.depth = parameters.depth;
        return DeviceStatus::good;
    }

    DeviceStatus read(unsigned char* buffer, int maxLength, int* length) override
    {
        SANE_Int got = 0;
        const SANE_Status status = sane_read(m_handle, buffer, maxLength, &got);
        *length = got;
        return fromSane(status);
    }

    void cancel() override { sane_cancel(m_handle); }

private:
    // The option's descriptor when it is there, active and settable.
    const SANE_Option_Descriptor* usable(const QString& name) const
    {
        const int index = findOption(name.toUtf8().constData());
        if (index < 0)
            return nullptr;
        const SANE_Option_Descriptor* option = sane_get_option_descriptor(m_handle, index);
        if (!option || !SANE_OPTION_IS_SETTABLE(option->cap) || !SANE_OPTION_IS_ACTIVE(option->cap))
            return nullptr;
        return option;
    }

    // The names of the settable, active options the predicate accepts.
    template <typename Accept> QStringList optionNames(Accept accept) const
    {
        QStringList names;
        for (int index = 1;
             const SANE_Option_Descriptor* option = sane_get_option_descriptor(m_handle, index);
             ++index)
            if (option->name && SANE_OPTION_IS_SETTABLE(option->cap) &&
                SANE_OPTION_IS_ACTIVE(option->cap) && accept(*option))
                names.append(QString::fromUtf8(option->name));
        return names;
    }

    int findOption(const char* name) const
    {
        for (int index = 1;
             const SANE_Option_Descriptor* option = sane_get_option_descriptor(m_handle, index);
             ++index)
            if (option->name && std::strcmp(option->name, name) == 0)
                return index;
        return -1;
    }

    SANE_Handle m_handle;
};

// SANE is process-wide: a layer left behind on a thread whose driver call
// hung must not end SANE under the layer that replaced it, so the last layer
// alive ends it.
class SaneLibrary
{
public:
    static bool acquire()
    {
        std::lock_guard lock(mutex());
        if (users() == 0 && sane_init(nullptr, nullptr) != SANE_STATUS_GOOD)
            return false;
        ++users();
        return true;
    }
    static void release()
    {
        std::lock_guard lock(mutex());
        if (--users() == 0)
            sane_exit();
    }

private:
    static std::mutex& mutex()
    {
        static std::mutex m;
        return m;
    }
    static int& users()
    {
        static int count = 0;
        return count;
    }
};

class SaneLayer : public ScanDeviceLayer
{
public:
    SaneLayer() { m_initialised = SaneLibrary::acquire(); }
    ~SaneLayer() override
    {
        if (m_initialised)
            SaneLibrary::release();
    }

    QList<DeviceListing> listDevices() override
    {
        QList<DeviceListing> listing;
        const SANE_Device** devices = nullptr;
        if (!m_initialised || sane_get_devices(&devices, SANE_FALSE) != SANE_STATUS_GOOD ||
            !devices)
            return listing;
        for (const SANE_Device** device = devices; *device; ++device)
            listing.append(
                {QString::fromUtf8((*device)->name), QString::fromUtf8((*device)->vendor),
                 QString::fromUtf8((*device)->model), QString::fromUtf8((*device)->type)});
        return listing;
    }

    DeviceStatus open(const QString& name, std::unique_ptr<ScanDeviceHandle>& handle) override
    {
        if (!m_initialised)
            return DeviceStatus::ioError;
        SANE_Handle raw = nullptr;
        const SANE_Status status = sane_open(name.toUtf8().constData(), &raw);
        if (status == SANE_STATUS_GOOD)
            handle = std::make_unique<SaneHandle>(raw);
        return fromSane(status);
    }

    QString statusText(DeviceStatus status) override
    {
        return QString::fromUtf8(sane_strstatus(static_cast<SANE_Status>(status)));
    }

private:
    bool m_initialised = false;
};

} // namespace

std::unique_ptr<ScanDeviceLayer> makeSaneDeviceLayer()
{
    return std::make_unique<SaneLayer>();
}
