// A customer-shaped table in a temporary folder shown by a browse: the fixture of the tests
// that drive a list over real tables.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "data/engine/work_areas.h"
#include "ui/browse.h"

namespace velt::testui {

using engine::WorkArea;
using engine::WorkAreas;

inline void ensureApp() {
    if (QApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "test_ui";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
}

class TempFolder {
  public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "velt-brw-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

inline std::string trimmed(std::string s) {
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

// A customer-shaped table with its name index, open in a work area of its own, and a browse
// on it showing the name.
struct TableBrowse {
    TempFolder dir;
    int area = 0;
    TWindow owner;
    std::unique_ptr<QWidget> window;
    TWBrowse* brw = nullptr;
    int changes = 0;

    TableBrowse(const std::vector<std::string>& names, int lines,
                std::vector<std::string> headers = {"CLIENTI"}, std::vector<int> sizes = {0}) {
        ensureApp();
        engine::createTable(dir.file("CLIENTI"), {{"CLIENTE", 'C', 20, 0}});
        area = WorkAreas::select(0);
        WorkArea& wa = WorkAreas::current();
        engine::OpenOptions exclusive;
        exclusive.shared = false;
        EXPECT_TRUE(wa.open(dir.file("CLIENTI"), exclusive));
        for (const auto& n : names) {
            wa.append();
            wa.put("CLIENTE", Value(n));
        }
        engine::IndexSpec spec;
        spec.file = dir.file("CLIENTI.NTX");
        spec.keyText = "UPPER(CLIENTE)";
        spec.key = [](WorkArea& a) { return Value(a.get("CLIENTE").text()); };
        spec.conditionText = "!DELETED()";
        spec.condition = [](WorkArea& a) { return !a.deleted(); };
        wa.createIndex(spec);
        wa.goTop();
        window = std::make_unique<QWidget>();
        window->resize(400, 500);
        BrowseParams p;
        p.aHeaders = std::move(headers);
        p.aColSizes = std::move(sizes);
        p.bLine = [this]() -> BrowseLine { return {table().get("CLIENTE").text()}; };
        p.bChange = [this] { ++changes; };
        brw = makeControl<TWBrowse>(owner, 101, std::move(p));
        const int height = brw->nHeaderHeight() + lines * brw->nLineHeight();
        brw->create(window.get(), QRect(10, 10, 300, height));
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        changes = 0;
    }
    ~TableBrowse() {
        WorkAreas::area(area).close();
        WorkAreas::select(1);
    }
    WorkArea& table() { return WorkAreas::area(area); }
    std::string current() { return table().eof() ? "" : trimmed(table().get("CLIENTE").text()); }
    void key(Qt::Key k) { QTest::keyClick(brw->hWnd.data(), k); }
    int lineY(int line) const {
        return brw->nHeaderHeight() + (line - 1) * brw->nLineHeight() + brw->nLineHeight() / 2;
    }
    QColor pixel(int x, int y) const { return brw->buffer().pixelColor(x, y); }
};

inline std::vector<std::string> customers(int n) {
    std::vector<std::string> v;
    for (int i = 1; i <= n; ++i) v.push_back("CLIENTE " + std::to_string(100 + i));
    return v;
}

}  // namespace velt::testui
