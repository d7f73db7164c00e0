#pragma once
// The macro panel: 48 macro buttons (or, in the editor mode, fields) over
// the current one of 100 lists, the list chooser, the editor mode with its
// paging, clearing and saving, the 12 help lines, the macro editor window
// and the store CmdConfig behind them.
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace vantrel {

class ClickLabel;
class ConfigImage;
class DoubleClickCombo;
class EventLineEdit;
class HoverButton;
class MacroStore;
class Messages;
class TFormEditHelpCmd;

class MacroPanel : public QObject {
    Q_OBJECT
public:
    struct Services {
        Messages* messages = nullptr;
        std::function<int(QDialog&)> runModal;
    };
    static constexpr int kButtons = 48;
    static constexpr int kHelpLabels = 12;

    // The list bar: chooser, list name, "Редактор", "Очистить", "Сохранить", "<<<<<".
    MacroPanel(QWidget* panel, Services services, QObject* parent);
    ~MacroPanel() override;
    // ">>>>>" and the display mode after "Из файла"; the grid and the help lines;
    // the editor's hint over the status line.
    void placePaging(QWidget* panel);
    void placeGrid(QWidget* panel);
    void placeEditorHint(QWidget* panel);

    MacroStore& store() const { return *store_; }
    int currentList() const { return CurrentList; }
    int editIndex() const { return EditIndex; }
    QLabel* helpLabel(int i) const { return HelpLabels[std::size_t(i)]; }  // 0..11

    void LoadMacroStore();
    // Writes the fields into the store and the store to CmdConfig.
    void SaveMacroStore();
    void ReadListCmd(int n);
    void setCurrentList(int list);  // the next read of the lists corrects one out of range
    // The help text lines in the twelve labels, or blank ones.
    void showHelpLines(const std::array<QString, 12>& lines);
    void ClearHelp();
    // The command file's name in place of the list chooser, and back.
    void showFileName(const QString& path, int fileButtonLeft);
    void showLists();
    void applySettings(const ConfigImage& c);
    void storeSettings(ConfigImage& c) const;
    // Closing the window: unsaved editor-mode changes are offered for saving
    // through `ask`, which answers with the user's choice. False: stay open.
    enum class CloseAnswer { Save, Discard, Cancel };
    bool confirmClose(const std::function<CloseAnswer()>& ask);
    bool unsavedChanges() const;
    // Paging, also by a caller while the button is disabled: the bounds still hold.
    void ListIncClick();
    void ListDecClick();
    void wireGrid();  // the buttons' numbers and handlers, once the lists are read

signals:
    // A macro button was clicked: its command line.
    void macroChosen(const std::string& line);
    // The editor mode was entered (true) or left.
    void editorModeChanged(bool on);

private:
    void WriteListCmd();
    void ButtonCmdClick(int k);
    void SaveEditTextCmd(int k);
    void ShowHelpAsFocus(int k);
    void ShowWindowEdtHelp(int k);
    void DelListClick();
    void CBListsClick();
    void CBListsDblClick();
    void STListNameDblClick();
    void RBNameClick();
    void RbDataClick();
    void SaveFClick();
    void EditAllCmdClick();
    void keepTypedListName();

    Services services_;
    std::unique_ptr<MacroStore> store_;
    TFormEditHelpCmd* FormEditHelpCmd = nullptr;
    int CurrentList = 1;            // 1..100
    int EditIndex = 1;              // 1..48
    bool MacrosChanged = false;     // editor-mode edits not yet saved
    bool fileShown_ = false;        // a command file's name stands in the list bar

    DoubleClickCombo* CBLists = nullptr;
    ClickLabel* STListName = nullptr;
    QLineEdit* ListNameEDT = nullptr;
    QPushButton* EditAllCmd = nullptr;
    QPushButton* DelList = nullptr;
    QPushButton* SaveF = nullptr;
    QPushButton* OldCommandsBT = nullptr;
    QPushButton* ListDec = nullptr;
    QPushButton* ListInc = nullptr;
    QRadioButton* RBName = nullptr;
    QRadioButton* RbData = nullptr;
    std::array<HoverButton*, kButtons> MacroButtons{};    // Button1..Button48
    std::array<EventLineEdit*, kButtons> MacroFields{};   // Edit1..Edit48
    std::array<QLabel*, kHelpLabels> HelpLabels{};        // STH1..STH12
    QLabel* StaticText1 = nullptr;
};

}  // namespace vantrel
