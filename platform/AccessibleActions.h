#pragma once

#include <QMetaObject>
#include <utility>

// An accessible action is asked for over the accessibility bus, and the reader waits for the
// reply. Work that may open a box or a dialog runs an event loop of its own, so the reply
// would wait until the user closes it: the work is queued to the event loop instead, and
// dropped if the object is gone by then.
namespace platform {

template <typename Object, typename Work> void afterReply(Object* object, Work work)
{
    QMetaObject::invokeMethod(
        object, [object, work = std::move(work)] { work(object); }, Qt::QueuedConnection);
}

} // namespace platform
