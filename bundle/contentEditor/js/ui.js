/*
 * Small DOM helpers shared by the pages. Text from documents, settings or
 * native functions is always set with textContent, never parsed as HTML.
 */
(function (root) {
  "use strict";

  var SVG_NS = "http://www.w3.org/2000/svg";

  // el("div", { class: "x", text: "..." }, [children])
  function el(tag, attrs, children) {
    var node = document.createElement(tag);
    if (attrs) {
      Object.keys(attrs).forEach(function (key) {
        var value = attrs[key];
        if (value === undefined || value === null) return;
        if (key === "text") node.textContent = String(value);
        else if (key === "class") node.className = value;
        else node.setAttribute(key, String(value));
      });
    }
    (children || []).forEach(function (child) {
      if (child) node.appendChild(child);
    });
    return node;
  }

  // An icon from the page's inline sprite.
  function icon(name, extraClass) {
    var svg = document.createElementNS(SVG_NS, "svg");
    svg.setAttribute("class", "icon" + (extraClass ? " " + extraClass : ""));
    svg.setAttribute("aria-hidden", "true");
    var use = document.createElementNS(SVG_NS, "use");
    use.setAttribute("href", "#i-" + name);
    svg.appendChild(use);
    return svg;
  }

  function setIcon(svg, name) {
    var use = svg && svg.querySelector("use");
    if (use) use.setAttribute("href", "#i-" + name);
  }

  // A notice in the lower right corner that fades after a while.
  function toast(message, kind) {
    var box = document.getElementById("toasts");
    if (!box) return;
    var node = el("div", { class: "toast" + (kind === "ok" ? " is-ok" : ""), role: "status" }, [
      icon(kind === "ok" ? "check" : "info"),
      el("span", { text: message })
    ]);
    box.appendChild(node);
    while (box.children.length > 3) box.removeChild(box.firstChild);
    setTimeout(function () {
      if (node.parentNode) node.parentNode.removeChild(node);
    }, 6000);
  }

  // Runs fn after the page has been painted once, so slow native calls
  // (the online probe blocks the page while it runs) never delay the first
  // picture.
  function afterFirstPaint(fn) {
    var run = function () { setTimeout(fn, 30); };
    if (typeof requestAnimationFrame === "function") {
      requestAnimationFrame(function () { requestAnimationFrame(run); });
    } else {
      run();
    }
  }

  root.ZvUi = { el: el, icon: icon, setIcon: setIcon, toast: toast, afterFirstPaint: afterFirstPaint };
})(window);
