#include "controls/rkbuttons/rkButtons_H.h"
#include "platform/WindowProperties.h"

namespace rkbuttons {

namespace {

namespace props = platform::windowprops;

const QString kOptionCountProperty = QStringLiteral("rk_OptCount");

QString optionEntryKey(qint64 index)
{
    return QString::number(index) + QStringLiteral("rk_Obj");
}

} // namespace

bool rkButtons_H::OptionToggle(int nOpt)
{
    QWidget* container = m_containerWindow;
    if (!container) {
        return false;
    }
    const qint64 count = props::number(container, kOptionCountProperty).value_or(0);
    auto member = [container](qint64 index) {
        return qobject_cast<rkButtons_H*>(props::object(container, optionEntryKey(index)));
    };

    if ((nOpt == 1 || count >= 1) && m_props.value) {
        const QPointer<rkButtons_H> self(this);
        for (qint64 i = 1; i <= count && self; ++i) {
            rkButtons_H* other = member(i);
            if (other && other != this) {
                other->setValue(false);
            }
        }
    }

    switch (nOpt) {
    case 1:
        props::setNumber(container, kOptionCountProperty, count + 1);
        props::setObject(container, optionEntryKey(count + 1), this);
        return false;
    case -1: {
        qint64 found = 0;
        for (qint64 i = 1; i <= count; ++i) {
            if (found == 0) {
                if (props::object(container, optionEntryKey(i)) == this) {
                    found = i;
                }
            } else {
                props::setObject(container, optionEntryKey(i - 1),
                                 props::object(container, optionEntryKey(i)));
            }
        }
        // A button that is not a member removes nobody.
        if (found == 0) {
            return false;
        }
        props::remove(container, optionEntryKey(count));
        if (count == 1) {
            props::remove(container, kOptionCountProperty);
        } else {
            props::setNumber(container, kOptionCountProperty, count - 1);
        }
        return false;
    }
    case 2:
        for (qint64 i = 1; i <= count; ++i) {
            const rkButtons_H* other = member(i);
            if (other && other->Value()) {
                return true;
            }
        }
        return false;
    default:
        return false;
    }
}

} // namespace rkbuttons
