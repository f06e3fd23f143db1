#include "ui/ListView.h"

namespace ui {

TListView::TListView(TComponent *AOwner) : TControl(AOwner) {}

int TListView::AddColumn(const std::string &Caption, int Width) {
  FColumns.push_back(TColumn{Caption, Width});
  return ColumnCount() - 1;
}

const std::string &TListView::ColumnCaption(int Index) const { return FColumns.at(std::size_t(Index)).Caption; }

int TListView::ColumnWidth(int Index) const { return FColumns.at(std::size_t(Index)).Width; }

void TListView::SetColumnCaption(int Index, const std::string &Caption) {
  FColumns.at(std::size_t(Index)).Caption = Caption;
  if (Peer()) Peer()->ColumnCaptionChanged(Index, Caption);
}

}  // namespace ui
