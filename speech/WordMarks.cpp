#include "speech/WordMarks.h"

namespace speech {

bool WordMarks::add(const Mark& mark, quint64 generation)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (generation != m_generation) {
        return false;
    }
    m_marks.append(mark);
    return true;
}

QList<WordMarks::Mark> WordMarks::takeUpTo(qint64 position)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    qsizetype count = 0;
    while (count < m_marks.size() && m_marks.at(count).position <= position) {
        ++count;
    }
    QList<Mark> taken = m_marks.first(count);
    m_marks.remove(0, count);
    return taken;
}

bool WordMarks::isEmpty() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_marks.isEmpty();
}

void WordMarks::reset(quint64 generation)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_marks.clear();
    m_generation = generation;
}

} // namespace speech
