#include "core/ProgressList.h"

int VectorProgressList::add(const std::string& text, LineStyle style) {
  m_lines.push_back({text, style});
  return count();
}

std::string VectorProgressList::text(int index) const {
  return valid(index) ? m_lines[static_cast<std::size_t>(index - 1)].text : std::string();
}

LineStyle VectorProgressList::style(int index) const {
  return valid(index) ? m_lines[static_cast<std::size_t>(index - 1)].style : LineStyle{};
}

void VectorProgressList::setText(int index, const std::string& text) {
  if (valid(index)) m_lines[static_cast<std::size_t>(index - 1)].text = text;
}

void VectorProgressList::setStyle(int index, LineStyle style) {
  if (valid(index)) m_lines[static_cast<std::size_t>(index - 1)].style = style;
}

void VectorProgressList::remove(int index) {
  if (valid(index)) m_lines.erase(m_lines.begin() + (index - 1));
}

std::vector<std::string> VectorProgressList::texts() const {
  std::vector<std::string> out;
  out.reserve(m_lines.size());
  for (const Line& l : m_lines) out.push_back(l.text);
  return out;
}
