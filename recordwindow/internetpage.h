// The "Internet Search" page of the record window: search term, engines, the two store banners
// and the record's web links.
#pragma once

#include <QWidget>

#include "app/appcontext.h"

class QButtonGroup;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPlainTextEdit;
class QPushButton;
class AnchorList;
class TView;

// A banner drawn by the program, with a search box and a "Go" click area laid over it.
class SearchBanner : public QWidget
{
    Q_OBJECT
public:
    enum class Kind { Books, Magazines };
    SearchBanner(Kind kind, QWidget *parent = nullptr);

    QLineEdit *searchBox = nullptr; // BookSearch / MagazineSearch
    QWidget *goArea = nullptr; // AmazonImage / MagMallImage

Q_SIGNALS:
    void searchRequested();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Kind m_kind;
    QString m_title;
    QString m_store;
};

class InternetPage : public QWidget
{
    Q_OBJECT
public:
    InternetPage(AppContext &ctx, TView &view, QWidget *parent = nullptr);

    // The record's link entries as the list holds them (filled when shown, read when stored).
    void setLinks(const QStringList &entries);
    QStringList links() const;

    void GenerateSearchTermClick();
    void LaunchBrowserClick();
    void AmazonImageClick();
    void MagMallImageClick();
    void AddURLBtnClick();
    void RelatedLinksAnchorClick(
        int row, const QString &href, bool isAnchor, const QPoint &globalPos);
    void ViewURL1Click();
    void DeleteURL1Click();

    // Opens an address in the web browser through the redirect page; false when it was refused
    // or could not be opened (the user has been told why).
    bool OpenURL(const QString &address);

    QLineEdit *searchTerm = nullptr; // SearchTerm
    AnchorList *relatedLinks = nullptr; // RelatedLinks
    QMenu *linkMenu = nullptr; // LinkMenu
    SearchBanner *bookBanner = nullptr; // Image2
    SearchBanner *magazineBanner = nullptr; // Image1

private:
    bool openPage(const QStringList &lines);
    static QStringList templateLines(const QPlainTextEdit *control);

    AppContext &m_ctx;
    TView &m_view;
    QButtonGroup *m_engines = nullptr;
    QPlainTextEdit *m_amazonHtml = nullptr; // AmazonHTML, hidden
    QPlainTextEdit *m_magMallHtml = nullptr; // MagMallHTML, hidden
    QAction *m_viewUrl = nullptr; // ViewURL1
    QAction *m_deleteUrl = nullptr; // DeleteURL1
    // The entry last clicked: its address (its text when it is not a well-formed link) and row.
    QString m_clickedAddress;
    QString m_clickedEntry;
    int m_clickedRow = -1;
    RecordPtr m_clickedRecord; // the record the clicked link belongs to
};
