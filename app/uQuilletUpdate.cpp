#include "app/uQuilletUpdate.h"

#include "app/ResourceIds.h"
#include "engine/BuiltInSettings.h"
#include "engine/ManifestVocabulary.h"
#include "lang/MessageFormat.h"
#include "sys/CodePage.h"
#include "sys/MessageQueue.h"
#include "sys/SystemLanguage.h"
#include "ui/Dialogs.h"

using namespace std::placeholders;

namespace {

// System language identifiers that select a Chinese file; every other one selects English.
constexpr std::uint16_t kChineseTaiwan = 1028;  // 0x0404
constexpr std::uint16_t kChinesePrc = 2052;     // 0x0804

// Shown when the language file lacks the failure messages, which older files do.
const char kBuiltInUpdateFailedText[] = "The update did not complete. Click the button to try again.";
const char kBuiltInNotVerifiedText[] = "The update from %s could not be verified; nothing was changed.";
const char kBuiltInProxyAuthenticationText[] = "The proxy %s requires authentication.";

// The message text of Key in the current language; empty when there is none.
std::string Msg(const char *Key) { return LangMgr->GetMessage(Key, std::string()); }

// The message text of Key with its one "%s" replaced by Argument.
std::string Msg(const char *Key, const std::string &Argument) { return FormatMessageText(Msg(Key), Argument); }

// Frees a component while its owner still lists it, before the owner's derived part is
// gone: the component may call back into it while it is being freed.
template <typename Component>
void FreeComponent(Component *&component) {
  delete component;
  component = nullptr;
}

}  // namespace

TfrmQuilletUpdate::TfrmQuilletUpdate(TQuilletUpdateSettings Settings, TComponent *AOwner)
    : ui::TForm("TfrmQuilletUpdate", AOwner), FSettings(std::move(Settings)) {
  // Workers pass work to this thread before it first waits for messages.
  sys::CreateMessageQueue();
  BuildLayout();
  EndLayout();
  acInit->Execute();
}

TfrmQuilletUpdate::~TfrmQuilletUpdate() {
  acUninit->Execute();
  // The engine first: freeing it ends its transfers, whose notifications reach this
  // window's handlers and controls until then.
  FreeComponent(upt);
}

void TfrmQuilletUpdate::BuildLayout() {
  SetName("frmQuilletUpdate");
  SetClientSize(471, 139);
  SetCaption("Vantoro Quillet Update");
  SetColor(ui::clBtnFace);
  OnCloseQuery = std::bind(&TfrmQuilletUpdate::FormCloseQuery, this, _1, _2);
  OnShow = std::bind(&TfrmQuilletUpdate::acOnShowExecute, this, _1);

  auto newLabel = [this](const char *Name, int Top) {
    auto *label = new ui::TLabel(this);
    label->SetName(Name);
    label->SetBounds(8, Top, 449, 18);
    label->SetColor(ui::clSilver);
    label->SetVerticallyCentred(true);
    return label;
  };
  lblOper = newLabel("lblOper", 8);
  lblInfo = newLabel("lblInfo", 34);
  ui::TFont infoFont;
  infoFont.Color = ui::clNavy;
  lblInfo->SetFont(infoFont);

  PBar = new ui::TProgressBar(this);
  PBar->SetName("PBar");
  PBar->SetBounds(8, 56, 449, 16);
  PBar->SetTabOrder(2);

  Bevel1 = new ui::TBevel(this);
  Bevel1->SetName("Bevel1");
  Bevel1->SetBounds(4, 80, 461, 9);
  Bevel1->SetShape(ui::TBevelShape::TopLine);
  Bevel1->SetStyle(ui::TBevelStyle::Raised);

  btnUpdate = new ui::TImageButton(this);
  btnUpdate->SetName("btnUpdate");
  btnUpdate->SetBounds(256, 96, 96, 25);
  btnUpdate->SetCaption(Utf8ToSystemCodePage("检测更新"));
  btnUpdate->SetTabOrder(0);
  btnUpdate->SetImages(IDB_UPDATE, IDB_UPDATE_DISABLED);
  btnUpdate->OnClick = std::bind(&TfrmQuilletUpdate::acUpdateExecute, this, _1);

  btnClose = new ui::TImageButton(this);
  btnClose->SetName("btnClose");
  btnClose->SetBounds(368, 96, 75, 25);
  btnClose->SetCaption(Utf8ToSystemCodePage("关闭"));
  btnClose->SetTabOrder(1);
  btnClose->SetImages(IDB_CLOSE, IDB_CLOSE_DISABLED);
  btnClose->OnClick = std::bind(&TfrmQuilletUpdate::acCloseExecute, this, _1);

  upt = new TSoftUpdater(this, FSettings.ProgramDir);
  upt->SetName("upt");
  upt->OnFileDowning = std::bind(&TfrmQuilletUpdate::uptFileDowning, this, _1, _2, _3, _4);
  upt->OnFileAllDowned = std::bind(&TfrmQuilletUpdate::uptFileAllDowned, this, _1);
  upt->OnCopyFile = std::bind(&TfrmQuilletUpdate::uptCopyFile, this, _1, _2, _3, _4, _5);

  Lang = new TLanguage(this);
  Lang->SetName("Lang");

  ActionList = new ui::TActionList(this);
  ActionList->SetName("ActionList");
  auto newAction = [this](const char *Name, void (TfrmQuilletUpdate::*Handler)(TObject *)) {
    auto *action = new ui::TAction(this);
    action->SetName(Name);
    action->SetCaption(Name);
    action->SetActionList(ActionList);
    if (Handler) action->OnExecute = std::bind(Handler, this, _1);
    return action;
  };
  acClose = newAction("acClose", &TfrmQuilletUpdate::acCloseExecute);
  acUpdate = newAction("acUpdate", &TfrmQuilletUpdate::acUpdateExecute);
  acInit = newAction("acInit", &TfrmQuilletUpdate::acInitExecute);
  acUninit = newAction("acUninit", &TfrmQuilletUpdate::acUninitExecute);
  acOnShow = newAction("acOnShow", &TfrmQuilletUpdate::acOnShowExecute);
  // Without handlers, as designed: they exist for the language files' vocabulary.
  Action6 = newAction("Action6", nullptr);
  Action7 = newAction("Action7", nullptr);
}

std::string TfrmQuilletUpdate::NotVerifiedText() const {
  return FormatMessageText(LangMgr->GetMessage("Msg213", kBuiltInNotVerifiedText), upt->Host);
}

void TfrmQuilletUpdate::acInitExecute(TObject *) {
  FState = 1;
  upt->Host = DefaultUpdateHost();
  upt->HostProbe = BuiltInHostProbe();
  upt->Path = UpdatePathForHost(DefaultUpdateHost());
  upt->MainFile = upt->FAppDir + vocabulary::kMainFileName;
  // Keys that cannot be read trust nothing: every check then fails as not verified.
  std::vector<crypto::PublicKey> keys;
  if (!BuiltInTrustedKeys(keys)) keys.assign(1, crypto::PublicKey{});
  upt->SetTrustedKeys(keys);
  SelectLanguage();
}

void TfrmQuilletUpdate::SelectLanguage() {
  const std::uint16_t system = FSettings.SystemLangId ? FSettings.SystemLangId() : SystemDefaultLangId();
  std::int32_t language = kEnglishLanguage;
  if (system == kChineseTaiwan) language = kTraditionalChineseLanguage;
  if (system == kChinesePrc) language = kSimplifiedChineseLanguage;
  Lang->SetLanguage(language);
}

void TfrmQuilletUpdate::acUpdateExecute(TObject *) {
  if (FState == 1)
    CheckForUpdate();
  else if (FState == 2)
    StartDownloads();
}

void TfrmQuilletUpdate::CheckForUpdate() {
  lblOper->SetCaption(Msg("Msg205"));
  // The engine's own result text is not shown: the messages below replace it.
  std::string resultText;
  const int result = upt->CheckUpdate(resultText);
  // Closed while the check waited: nothing more to show or ask.
  if (Closed()) return;
  switch (result) {
    case -1:
      // An installation that cannot be completed now, or a manifest that cannot be
      // trusted, is no connection problem.
      switch (upt->LastCheckFailure()) {
        case TCheckFailure::kInstallationUnfinished:
          lblInfo->SetCaption(LangMgr->GetMessage("Msg212", kBuiltInUpdateFailedText));
          break;
        case TCheckFailure::kNotVerified:
          lblInfo->SetCaption(NotVerifiedText());
          break;
        case TCheckFailure::kProxyAuthentication:
          lblInfo->SetCaption(
              FormatMessageText(LangMgr->GetMessage("Msg214", kBuiltInProxyAuthenticationText), upt->ProxyHost()));
          break;
        default:
          lblInfo->SetCaption(Msg("Msg211", upt->Host));
          break;
      }
      break;
    case 0:
      lblInfo->SetCaption(Msg("Msg206", upt->GetCurrVersion()));
      break;
    case 1: {
      const std::string newVersion = upt->GetNewVersion();
      lblInfo->SetCaption(Msg("Msg207", newVersion));
      if (ui::ShowMessageBox(this, Msg("Msg208", newVersion), Msg("Msg200"), ui::TMsgButtons::OKCancel,
                             ui::TMsgIcon::Information) != ui::TModalResult::OK) {
        // Declined: another updater may work on the installation meanwhile.
        upt->EndSession();
        return;
      }
      if (Closed()) return;
      FState = 2;
      btnUpdate->SetCaption(Msg("Msg209"));
      acUpdateExecute(nullptr);
      break;
    }
    default:
      break;
  }
}

void TfrmQuilletUpdate::StartDownloads() {
  if (upt->IsDownloading() || upt->IsCopyFileing() || FChainBusy) return;
  lblOper->SetCaption(Msg("Msg210"));
  // Marked busy before the first transfer starts, since it may end at once.
  FChainBusy = !upt->FFileList.Empty();
  try {
    upt->StartDownload();
  } catch (...) {
    // No chain runs when its first file's URL is refused.
    FChainBusy = false;
    throw;
  }
}

void TfrmQuilletUpdate::acCloseExecute(TObject *) { Close(); }

void TfrmQuilletUpdate::acUninitExecute(TObject *) {}

void TfrmQuilletUpdate::acOnShowExecute(TObject *) {}

void TfrmQuilletUpdate::FormCloseQuery(TObject *, bool &CanClose) {
  std::lock_guard<std::mutex> lock(FCloseLock);
  if (FInstalling) {
    FCloseDeferred = true;
    CanClose = false;
    return;
  }
  FClosing = true;
}

void TfrmQuilletUpdate::uptFileDowning(TObject *, int CurSize, int TotSize, std::string) {
  const int index = upt->FFileIndex;
  if (index < 0 || index >= upt->FFileList.Count()) return;
  const std::string &name = upt->FFileList[index];
  if (name.empty()) return;
  lblInfo->SetCaption(name + "  " + std::to_string(CurSize) + "/" + std::to_string(TotSize));
  if (TotSize <= 0) return;
  // 64 bits: CurSize * 100 overflows 32 bits from about 21 MB on.
  const int percent = int(std::int64_t(CurSize) * 100 / TotSize);
  if (PBar->Position() != percent) PBar->SetPosition(percent);
}

void TfrmQuilletUpdate::uptFileAllDowned(TObject *) {
  {
    std::lock_guard<std::mutex> lock(FCloseLock);
    if (FClosing) {
      FChainBusy = false;
      return;
    }
    ++FInstalling;
  }
  if (InstallDownloads())
    ReportInstalled();
  else
    ReportFailure();
  bool closeDeferred;
  {
    std::lock_guard<std::mutex> lock(FCloseLock);
    closeDeferred = --FInstalling == 0 && FCloseDeferred;
  }
  // Posted to the window, which takes it also while a modal loop runs.
  if (closeDeferred) PostToOwnThread([this] { Close(); });
}

bool TfrmQuilletUpdate::InstallDownloads() {
  const TInstallOutcome outcome = upt->EndMainProgramAndInstall(FSettings.MainProgramExitPauseMs, [this] {
    lblOper->SetCaption(Msg("Msg201"));
    lblInfo->SetCaption(std::string());
    PBar->SetPosition(0);
  });
  return outcome == TInstallOutcome::Installed;
}

void TfrmQuilletUpdate::uptCopyFile(TObject *, const std::string &, const std::string &dest, int count, int index) {
  PBar->SetPosition(count != 0 ? int(std::int64_t(index + 1) * 100 / count) : 0);
  lblInfo->SetCaption(dest);
}

void TfrmQuilletUpdate::ReportInstalled() {
  ui::ShowMessageBox(this, Msg("Msg202"), Msg("Msg200"), ui::TMsgButtons::OK, ui::TMsgIcon::Information);
  // The rest on the user-interface thread, where a click may write the same texts: once
  // the state and the busy flag let a click through, only that thread writes them.
  RunOnOwnThread([this] {
    btnUpdate->SetCaption(Msg("Msg205"));
    FState = 1;
    FChainBusy = false;
    lblOper->SetCaption(Msg("Msg203"));
    lblInfo->SetCaption(Msg("Msg204", upt->GetCurrVersion()));
    PBar->SetPosition(100);
  });
}

void TfrmQuilletUpdate::ReportFailure() {
  const bool notVerified = upt->LastChainFailure() == TChainFailure::kNotVerified ||
                           upt->LastChainFailure() == TChainFailure::kServerChanged;
  RunOnOwnThread([this, notVerified] {
    lblOper->SetCaption(notVerified ? NotVerifiedText() : LangMgr->GetMessage("Msg212", kBuiltInUpdateFailedText));
    // Nothing stays shown as installed after the installation backed out.
    lblInfo->SetCaption(std::string());
    PBar->SetPosition(0);
    // Still in state 2: from here on the update button runs the whole chain again.
    FChainBusy = false;
  });
}
