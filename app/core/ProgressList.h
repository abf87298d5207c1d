// The progress list of the collection windows: one line per step, some bold or coloured. The
// collection code and the modem programming write through this interface; the windows give it
// a list widget, the tests an in-memory list. It lives in the core, beside Reporter, so a
// headless library can write to one without linking the collection. Lines are numbered from 1.
// A line may hold a carriage return where its second row begins; a list keeps the text as
// written and shows the break.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct LineStyle {
  bool bold = false;
  uint32_t rgb = 0;  // 0xRRGGBB; 0 is the list's normal colour (black)
  bool operator==(const LineStyle&) const = default;
};

inline constexpr uint32_t kRed = 0xFF0000;   // RGB(255, 0, 0)
inline constexpr uint32_t kBlue = 0x0000FF;  // RGB(0, 0, 255)
inline constexpr LineStyle kPlain{};
inline constexpr LineStyle kBold{true, 0};
inline constexpr LineStyle kRedLine{false, kRed};
inline constexpr LineStyle kBlueLine{false, kBlue};

class ProgressList {
 public:
  virtual ~ProgressList() = default;
  // Adds a line at the end; returns its 1-based index.
  virtual int add(const std::string& text, LineStyle style = {}) = 0;
  virtual int count() const = 0;
  virtual std::string text(int index) const = 0;
  virtual LineStyle style(int index) const = 0;
  virtual void setText(int index, const std::string& text) = 0;
  virtual void setStyle(int index, LineStyle style) = 0;
  virtual void remove(int index) = 0;
  virtual void clear() = 0;
  // Brings the last line into view and selects it.
  virtual void selectLast() {}
  // Shows what was added so far (a widget repaints; memory does nothing).
  virtual void refresh() {}
};

// The list in memory: what the tests read, and what headless runs use.
class VectorProgressList : public ProgressList {
 public:
  struct Line {
    std::string text;
    LineStyle style;
  };

  int add(const std::string& text, LineStyle style = {}) override;
  int count() const override { return static_cast<int>(m_lines.size()); }
  std::string text(int index) const override;
  LineStyle style(int index) const override;
  void setText(int index, const std::string& text) override;
  void setStyle(int index, LineStyle style) override;
  void remove(int index) override;
  void clear() override { m_lines.clear(); }

  const std::vector<Line>& lines() const { return m_lines; }
  std::vector<std::string> texts() const;

 private:
  bool valid(int index) const { return index >= 1 && index <= count(); }
  std::vector<Line> m_lines;
};
