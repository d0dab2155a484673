#pragma once
#include <QString>
#include <QVariant>
#include <QWebEngineScript>

class QWebEnginePage;
class QWebEngineView;

// Runs a script in the page's own world (or the world named) and waits for its value.
QVariant evaluate(QWebEnginePage* page, const QString& script, quint32 world = QWebEngineScript::MainWorld);

// Clicks the element a script expression names, as a user does: a real mouse press and release
// at its middle, through the view's input. False when there is no such element.
bool click_element(QWebEngineView* view, const QString& element_expression);

// Moves the pointer onto the middle of the element a script expression names, through the view's
// input, as a user's pointer comes to rest on it. False when there is no such element.
bool hover_element(QWebEngineView* view, const QString& element_expression);
