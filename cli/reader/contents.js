// The contents of the reader's page, drawn as the viewer's pane draws them: a tree whose top
// level shows at once and whose branches are filled only when they open, so that a book of
// 50,000 pages costs what its top level costs; the shown page's entry selected, its branch
// opened and scrolled into view whatever brought the page. A long list of siblings (a folder of
// 50,000 pages) is drawn a part at a time, the part around the shown page's entry first.
// The tree comes from the server as the book layer makes it (/:reader/page-list.json at once,
// /:reader/contents.json when the book's own contents are found): entries in document order, each
// [label, url ("" for a heading), end (the entry and those below it are entries [index, end)),
// flags (1: the entry a shown page selects, 2: a page that cannot be read)], and the pages whose
// arrival selects another page's entry (redirects).
'use strict';
var ReaderContents = (function () {
  // A page's address in a form that compares as the book compares names: its path only,
  // decoded where it decodes, without regard to case.
  function pageKey(url) {
    var path = url.replace(/[?#].*$/, '');
    try { path = decodeURIComponent(path); } catch (e) { /* an 8-bit name: kept as sent */ }
    return path.toLowerCase();
  }
  // The same with the place in the page (its fragment, decoded, in its own case); '' for none.
  function placeKey(url) {
    var hash = url.indexOf('#');
    if (hash < 0 || hash + 1 === url.length) return '';
    var place = url.slice(hash + 1);
    try { place = decodeURIComponent(place); } catch (e) { /* kept as sent */ }
    return pageKey(url) + '#' + place;
  }

  // nav: the element that holds the tree; open(url): opens a page.
  function Contents(nav, open) {
    var entries = [];
    var parent = new Int32Array(0);
    var byPage = new Map();   // pageKey -> the entry a shown page selects
    var byPlace = new Map();  // placeKey -> the first entry naming that page and place
    var items = [];           // the tree item of each entry, once drawn
    var current = null;       // the item of the shown page's entry
    var focusable = null;     // the one item Tab reaches
    var PART = 500;           // siblings drawn at a time

    // A list of siblings longer than PART is drawn in parts: what is not drawn yet stands as
    // gaps ("... 48,500 entries"), each drawn a part at a time when it comes into view (from its
    // end when the reader comes to it from below) or when the keys step onto it; a page shown
    // far down draws only the part around its entry.
    function children(i, depth, list) {
      var kids = [];
      var end = i < 0 ? entries.length : entries[i][2];
      for (var c = i + 1; c < end; c = entries[c][2]) kids.push(c);
      list.pvKids = kids;
      list.pvDepth = depth;
      list.appendChild(rows(list, 0, Math.min(PART, kids.length)));
      if (kids.length > PART) list.appendChild(gap(list, PART, kids.length));
    }
    function rows(list, from, to) {
      var part = document.createDocumentFragment();
      for (var k = from; k < to; k++) part.appendChild(row(list.pvKids[k], list.pvDepth));
      return part;
    }
    function gap(list, from, to) {
      var li = document.createElement('li');
      li.className = 'gap';
      li.setAttribute('role', 'none');
      var n = to - from;
      li.textContent = '\u2026 ' + n.toLocaleString() + (n === 1 ? ' entry' : ' entries');
      li.pvList = list;
      li.pvFrom = from;
      li.pvTo = to;
      watcher.observe(li);
      return li;
    }
    // Draws positions [from, to) of a gap's range in its place, the rest left as gaps.
    function fill(g, from, to) {
      var list = g.pvList;
      var part = document.createDocumentFragment();
      if (g.pvFrom < from) part.appendChild(gap(list, g.pvFrom, from));
      part.appendChild(rows(list, from, to));
      if (to < g.pvTo) part.appendChild(gap(list, to, g.pvTo));
      watcher.unobserve(g);
      list.replaceChild(part, g);
    }
    function expand(g, fromEnd) {
      if (fromEnd) fill(g, Math.max(g.pvFrom, g.pvTo - PART), g.pvTo);
      else fill(g, g.pvFrom, Math.min(g.pvTo, g.pvFrom + PART));
    }
    // Draws the part of list around entry i, one of its children, unless it is drawn.
    function drawn(i, list) {
      if (items[i]) return;
      var kids = list.pvKids;
      var lo = 0;
      var hi = kids.length;
      while (lo < hi) {
        var mid = (lo + hi) >> 1;
        if (kids[mid] < i) lo = mid + 1;
        else hi = mid;
      }
      for (var g = list.firstElementChild; g; g = g.nextElementSibling) {
        if (g.className === 'gap' && g.pvFrom <= lo && lo < g.pvTo) {
          var from = Math.max(g.pvFrom, lo - (PART >> 2));
          fill(g, from, Math.min(g.pvTo, from + PART));
          return;
        }
      }
    }
    // The row after li and the one before it, drawing a gap's next part when there is one.
    function after(li) {
      var n = li.nextElementSibling;
      if (n && n.className === 'gap') {
        expand(n, false);
        n = li.nextElementSibling;
      }
      return n;
    }
    function before(li) {
      var n = li.previousElementSibling;
      if (n && n.className === 'gap') {
        expand(n, true);
        n = li.previousElementSibling;
      }
      return n;
    }
    function row(i, depth) {
      var e = entries[i];
      var li = document.createElement('li');
      li.setAttribute('role', 'none');
      var item = document.createElement(e[1] ? 'a' : 'span');
      item.className = e[3] & 2 ? 'item unreadable' : 'item';
      item.setAttribute('role', 'treeitem');
      item.setAttribute('aria-level', depth + 1);
      item.tabIndex = -1;
      if (e[1]) item.href = e[1];
      item.textContent = e[0];
      item.pvEntry = i;
      if (e[2] > i + 1) {
        var twist = document.createElement('span');
        twist.className = 'twist';
        twist.setAttribute('aria-hidden', 'true');
        li.className = 'branch';
        li.appendChild(twist);
        item.setAttribute('aria-expanded', 'false');
      }
      li.appendChild(item);
      items[i] = item;
      return li;
    }
    function level(item) {
      return Number(item.getAttribute('aria-level'));
    }
    function setOpen(item, on) {
      var li = item.parentNode;
      if (li.className.indexOf('branch') < 0) return;
      var group = li.lastChild.tagName === 'UL' ? li.lastChild : null;
      if (on && !group) {
        group = document.createElement('ul');
        group.setAttribute('role', 'group');
        children(item.pvEntry, level(item), group);
        li.appendChild(group);
      }
      if (group) group.hidden = !on;
      li.classList.toggle('open', on);
      item.setAttribute('aria-expanded', String(on));
    }
    function isOpen(item) {
      return item.getAttribute('aria-expanded') === 'true';
    }
    function setFocusable(item) {
      if (focusable === item) return;
      if (focusable) focusable.tabIndex = -1;
      focusable = item;
      if (item) item.tabIndex = 0;
    }
    function focus(item) {
      if (!item) return;
      setFocusable(item);
      item.focus();
    }
    function itemOf(li) {
      return li ? li.querySelector(':scope > .item') : null;
    }
    // The item drawn after item as the tree shows it, or before it.
    function next(item) {
      if (isOpen(item)) return itemOf(item.parentNode.lastChild.firstElementChild);
      for (var li = item.parentNode; ; li = li.parentNode.parentNode) {
        var following = after(li);
        if (following) return itemOf(following);
        if (li.parentNode === tree) return null;
      }
    }
    function previous(item) {
      var li = before(item.parentNode);
      if (!li) return up(item);
      var last = itemOf(li);
      while (isOpen(last)) last = lastOf(last.parentNode.lastChild);
      return last;
    }
    function lastOf(list) {
      drawn(list.pvKids[list.pvKids.length - 1], list);
      return itemOf(list.lastElementChild);
    }
    function up(item) {
      var list = item.parentNode.parentNode;
      return list === tree ? null : itemOf(list.parentNode);
    }

    var watcher = new IntersectionObserver(function (seen) {
      var top = nav.parentNode.getBoundingClientRect().top;
      seen.forEach(function (s) {
        // A gap that begins above the part in view is being reached from below.
        if (s.isIntersecting && s.target.parentNode) {
          expand(s.target, s.boundingClientRect.top < top);
        }
      });
    }, { root: nav.parentNode, rootMargin: '800px 0px' });
    var tree = document.createElement('ul');
    tree.className = 'tree';
    tree.setAttribute('role', 'tree');
    tree.setAttribute('aria-label', 'Contents');

    tree.addEventListener('click', function (e) {
      var g = e.target.closest('li.gap');
      if (g) {
        expand(g, false);
        return;
      }
      var twist = e.target.closest('.twist');
      var item = twist ? itemOf(twist.parentNode) : e.target.closest('.item');
      if (!item) return;
      setFocusable(item);
      if (twist || item.tagName !== 'A') {
        // A heading opens nothing: a click opens or closes its branch.
        e.preventDefault();
        setOpen(item, !isOpen(item));
        return;
      }
      e.preventDefault();
      open(item.getAttribute('href'));
    });
    tree.addEventListener('keydown', function (e) {
      var item = e.target.closest ? e.target.closest('.item') : null;
      if (!item || e.altKey || e.ctrlKey || e.metaKey) return;
      var branch = item.hasAttribute('aria-expanded');
      var to = null;
      if (e.key === 'ArrowDown') to = next(item);
      else if (e.key === 'ArrowUp') to = previous(item);
      else if (e.key === 'ArrowRight' && branch && !isOpen(item)) setOpen(item, true);
      else if (e.key === 'ArrowRight' && branch) to = next(item);
      else if (e.key === 'ArrowLeft' && branch && isOpen(item)) setOpen(item, false);
      else if (e.key === 'ArrowLeft') to = up(item);
      else if (e.key === 'Home') to = itemOf(tree.firstElementChild);
      else if (e.key === 'End') {
        to = lastOf(tree);
        while (to && isOpen(to)) to = lastOf(to.parentNode.lastChild);
      } else if ((e.key === 'Enter' || e.key === ' ') && item.tagName !== 'A') {
        setOpen(item, !isOpen(item));
      } else {
        return;
      }
      e.preventDefault();
      focus(to);
    });

    // Shows a tree in place of the one shown; the shown page (url) selected in it.
    this.show = function (t, url) {
      entries = t.entries;
      var n = entries.length;
      parent = new Int32Array(n);
      var stack = [];
      byPage = new Map();
      byPlace = new Map();
      for (var i = 0; i < n; i++) {
        while (stack.length && entries[stack[stack.length - 1]][2] <= i) stack.pop();
        parent[i] = stack.length ? stack[stack.length - 1] : -1;
        stack.push(i);
        var u = entries[i][1];
        if (entries[i][3] & 1) byPage.set(pageKey(u), i);
        var place = u ? placeKey(u) : '';
        if (place && !byPlace.has(place)) byPlace.set(place, i);
      }
      (t.redirects || []).forEach(function (r) { byPage.set(pageKey(r[0]), r[1]); });
      items = new Array(n);
      watcher.disconnect();
      current = null;
      focusable = null;
      tree.textContent = '';
      children(-1, 0, tree);
      nav.textContent = '';
      if (!n) {
        var p = document.createElement('p');
        p.className = 'note';
        p.textContent = 'This book has no pages in its sequence.';
        nav.appendChild(p);
      }
      nav.appendChild(tree);
      setFocusable(items[0] || null);
      this.select(url);
    };

    // Selects the entry of the page at url (nothing when it has none), opening its branch and
    // scrolling it into view: the first entry naming its place when the url names one, else the
    // one its page selects.
    this.select = function (url) {
      var i;
      if (url) {
        var place = placeKey(url);
        i = place ? byPlace.get(place) : undefined;
        if (i === undefined) i = byPage.get(pageKey(url));
      }
      var item = null;
      if (i !== undefined) {
        var path = [];
        for (var p = parent[i]; p >= 0; p = parent[p]) path.push(p);
        drawn(path.length ? path[path.length - 1] : i, tree);
        for (var k = path.length - 1; k >= 0; k--) {
          setOpen(items[path[k]], true);
          drawn(k ? path[k - 1] : i, items[path[k]].parentNode.lastChild);
        }
        item = items[i];
      }
      if (item === current) return;
      if (current) {
        current.classList.remove('current');
        current.removeAttribute('aria-current');
        current.removeAttribute('aria-selected');
      }
      current = item;
      if (item) {
        item.classList.add('current');
        item.setAttribute('aria-current', 'page');
        item.setAttribute('aria-selected', 'true');
        setFocusable(item);
        item.scrollIntoView({ block: 'nearest' });
      }
    };
  }

  return { pageKey: pageKey, Contents: Contents };
})();
