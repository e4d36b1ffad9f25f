#include "support/FakeCommonDialogService.h"

namespace support {

namespace {
template <typename T> std::optional<T> takeFirst(QList<std::optional<T>>& queue)
{
    return queue.isEmpty() ? std::nullopt : queue.takeFirst();
}
} // namespace

FakeCommonDialogService::FakeCommonDialogService()
    : m_previous(&platform::CommonDialogService::current())
{
    platform::CommonDialogService::setCurrent(this);
}

FakeCommonDialogService::~FakeCommonDialogService()
{
    platform::CommonDialogService::setCurrent(m_previous);
}

std::optional<platform::FileDialogResult>
FakeCommonDialogService::showOpen(const platform::FileDialogRequest& request)
{
    m_requests.append({Kind::Open, request, 0, {}});
    return takeFirst(m_files);
}

std::optional<platform::FileDialogResult>
FakeCommonDialogService::showSave(const platform::FileDialogRequest& request)
{
    m_requests.append({Kind::Save, request, 0, {}});
    return takeFirst(m_files);
}

std::optional<platform::OleColor> FakeCommonDialogService::showColor(platform::OleColor initial,
                                                                     QWidget*)
{
    m_requests.append({Kind::Color, {}, initial, {}});
    return takeFirst(m_colors);
}

std::optional<platform::FontChoice>
FakeCommonDialogService::showFont(const platform::FontChoice& initial, QWidget*)
{
    m_requests.append({Kind::Font, {}, 0, initial});
    return takeFirst(m_fonts);
}

} // namespace support
