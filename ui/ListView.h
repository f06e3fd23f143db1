#pragma once
#include <string>
#include <vector>

#include "ui/Controls.h"

namespace ui {

// A report-style list view; only its columns are modelled, since only their captions
// are ever set by name. Publishes "Hint".
class TListView : public TControl {
 public:
  struct TColumn {
    std::string Caption;
    int Width;
  };

  explicit TListView(TComponent *AOwner);

  // Appends a column; returns its index.
  int AddColumn(const std::string &Caption, int Width);
  int ColumnCount() const { return int(FColumns.size()); }
  const std::string &ColumnCaption(int Index) const;
  int ColumnWidth(int Index) const;
  void SetColumnCaption(int Index, const std::string &Caption);

 private:
  std::vector<TColumn> FColumns;
};

}  // namespace ui
