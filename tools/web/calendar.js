/* KALMITOR date picker.
 *
 * Date fields carry a calendar link that calls
 *   show_calendar('document.forms[0].<field>', document.forms[0].<field>.value)
 * A month view opens under the field; picking a day writes the date back in
 * the form the field already holds (dd.mm.yyyy, mm/dd/yyyy or yyyy-mm-dd,
 * keeping a time that follows the date), or in this language's form when the
 * field holds no date.
 */
(function (window, document) {
  'use strict';

  var T = /*TEXTS*/;

  var CSS =
    '.kcal{position:absolute;z-index:1000;width:252px;padding:8px;background:#fff;color:#1d2733;' +
    'border:1px solid #c3ccd7;border-radius:8px;box-shadow:0 8px 24px rgba(20,40,80,.18);' +
    'font:13px/1.3 "Segoe UI",Roboto,"DejaVu Sans",Arial,sans-serif;-webkit-user-select:none;user-select:none}' +
    '.kcal-head{display:flex;align-items:center;gap:2px;margin-bottom:6px}' +
    '.kcal-title{flex:1;text-align:center;font-weight:600;color:#17355e}' +
    '.kcal button{margin:0;padding:0;border:0;border-radius:4px;background:none;color:#1d2733;' +
    'font:inherit;cursor:pointer}' +
    '.kcal-head button{width:26px;height:26px;font-size:16px;color:#1f5fae}' +
    '.kcal button:hover{background:#e5eefa}' +
    '.kcal table{width:100%;border-collapse:collapse}' +
    '.kcal th{padding:2px 0;font-size:11px;font-weight:600;color:#6b7a8d;text-align:center}' +
    '.kcal td{padding:1px;text-align:center}' +
    '.kcal-day{width:32px;height:28px}' +
    '.kcal-day.out{color:#a3aebb}' +
    '.kcal-day.today{box-shadow:inset 0 0 0 1px #1f5fae}' +
    '.kcal-day.sel,.kcal-day.sel:hover{background:#1f5fae;color:#fff;font-weight:600}' +
    '.kcal-foot{display:flex;justify-content:space-between;margin-top:6px;padding-top:6px;border-top:1px solid #e4e9ef}' +
    '.kcal-foot button{padding:3px 8px;color:#1f5fae}';

  var box = null;      // the open calendar
  var field = null;    // the field it writes to
  var state = null;    // {year, month, picked, order, time}

  function pad(n) { return (n < 10 ? '0' : '') + n; }

  function makeDate(y, m, d) {
    var dt = new Date(y, m - 1, d);
    if (dt.getFullYear() !== y || dt.getMonth() !== m - 1 || dt.getDate() !== d) return null;
    return dt;
  }

  // {date, order, time} of a date text, or null.
  function parse(text) {
    var s = String(text == null ? '' : text).replace(/^\s+|\s+$/g, '');
    var time = '';
    var sp = s.search(/\s/);
    if (sp > 0) { time = s.slice(sp); s = s.slice(0, sp); }
    var m, dt;
    if ((m = /^(\d{1,2})\.(\d{1,2})\.(\d{4})$/.exec(s))) {
      dt = makeDate(+m[3], +m[2], +m[1]);
      return dt && { date: dt, order: 'dmy', time: time };
    }
    if ((m = /^(\d{1,2})\/(\d{1,2})\/(\d{4})$/.exec(s))) {
      dt = makeDate(+m[3], +m[1], +m[2]);
      return dt && { date: dt, order: 'mdy', time: time };
    }
    if ((m = /^(\d{4})-(\d{1,2})-(\d{1,2})$/.exec(s))) {
      dt = makeDate(+m[1], +m[2], +m[3]);
      return dt && { date: dt, order: 'ymd', time: time };
    }
    return null;
  }

  function format(dt, order) {
    var d = pad(dt.getDate()), m = pad(dt.getMonth() + 1), y = String(dt.getFullYear());
    if (order === 'mdy') return m + '/' + d + '/' + y;
    if (order === 'ymd') return y + '-' + m + '-' + d;
    return d + '.' + m + '.' + y;
  }

  // The field named by the text "document.forms[n].name" (or the element
  // itself, or a plain field name).
  function resolve(target) {
    if (target && typeof target === 'object') return target.nodeType === 1 ? target : null;
    var text = String(target || '');
    var m = /^document\.forms\[(\d+)\]\.(.+)$/.exec(text);
    var name = m ? m[2] : text;
    var el = null;
    if (m) {
      var form = document.forms[+m[1]];
      el = form ? form.elements[name] : null;
      if (el && !el.nodeType && el.length) el = el[0];
    }
    if (!el) el = document.getElementsByName(name)[0] || null;
    return el;
  }

  function sameDay(a, b) {
    return !!a && !!b && a.getFullYear() === b.getFullYear() && a.getMonth() === b.getMonth() &&
      a.getDate() === b.getDate();
  }

  function button(cls, text, label, onclick) {
    var b = document.createElement('button');
    b.type = 'button';
    b.className = cls;
    b.textContent = text;
    if (label) { b.title = label; b.setAttribute('aria-label', label); }
    b.addEventListener('click', function (e) { e.preventDefault(); e.stopPropagation(); onclick(); });
    return b;
  }

  function shift(months) {
    var d = new Date(state.year, state.month + months, 1);
    state.year = d.getFullYear();
    state.month = d.getMonth();
    render();
  }

  function pick(dt) {
    if (!field) return close();
    field.value = format(dt, state.order) + state.time;
    var ev;
    try { ev = new Event('change', { bubbles: true }); } catch (e) {
      ev = document.createEvent('HTMLEvents');
      ev.initEvent('change', true, false);
    }
    field.dispatchEvent(ev);
    var f = field;
    close();
    try { f.focus(); } catch (e) { /* a hidden field takes no focus */ }
  }

  function render() {
    box.textContent = '';
    box.setAttribute('data-month', state.year + '-' + pad(state.month + 1));

    var head = document.createElement('div');
    head.className = 'kcal-head';
    head.appendChild(button('kcal-prevy', '\u00ab', T.prevYear, function () { shift(-12); }));
    head.appendChild(button('kcal-prev', '\u2039', T.prevMonth, function () { shift(-1); }));
    var title = document.createElement('div');
    title.className = 'kcal-title';
    title.textContent = T.months[state.month] + ' ' + state.year;
    head.appendChild(title);
    head.appendChild(button('kcal-next', '\u203a', T.nextMonth, function () { shift(1); }));
    head.appendChild(button('kcal-nexty', '\u00bb', T.nextYear, function () { shift(12); }));
    box.appendChild(head);

    var table = document.createElement('table');
    var tr = document.createElement('tr');
    for (var i = 0; i < 7; i++) {
      var th = document.createElement('th');
      th.textContent = T.days[(T.firstDay + i) % 7];
      tr.appendChild(th);
    }
    table.appendChild(tr);

    var first = new Date(state.year, state.month, 1);
    var lead = (first.getDay() - T.firstDay + 7) % 7;
    var day = new Date(state.year, state.month, 1 - lead);
    var today = new Date();
    for (var w = 0; w < 6; w++) {
      tr = document.createElement('tr');
      for (var k = 0; k < 7; k++) {
        var dt = new Date(day.getFullYear(), day.getMonth(), day.getDate());
        var cls = 'kcal-day';
        if (dt.getMonth() !== state.month) cls += ' out';
        if (sameDay(dt, today)) cls += ' today';
        if (sameDay(dt, state.picked)) cls += ' sel';
        var td = document.createElement('td');
        var b = button(cls, String(dt.getDate()), format(dt, state.order), (function (d) {
          return function () { pick(d); };
        })(dt));
        b.setAttribute('data-date', format(dt, 'ymd'));
        td.appendChild(b);
        tr.appendChild(td);
        day.setDate(day.getDate() + 1);
      }
      table.appendChild(tr);
    }
    box.appendChild(table);

    var foot = document.createElement('div');
    foot.className = 'kcal-foot';
    foot.appendChild(button('kcal-today', T.today, '', function () {
      var t = new Date();
      pick(new Date(t.getFullYear(), t.getMonth(), t.getDate()));
    }));
    foot.appendChild(button('kcal-close', T.close, '', close));
    box.appendChild(foot);
  }

  function place() {
    if (!box || !field) return;
    var r = field.getBoundingClientRect();
    var sx = window.pageXOffset || document.documentElement.scrollLeft || 0;
    var sy = window.pageYOffset || document.documentElement.scrollTop || 0;
    var width = box.offsetWidth || 252;
    var left = r.left + sx;
    var maxLeft = sx + document.documentElement.clientWidth - width - 8;
    if (left > maxLeft) left = maxLeft;
    if (left < sx + 4) left = sx + 4;
    box.style.left = left + 'px';
    box.style.top = (r.bottom + sy + 4) + 'px';
  }

  function onKey(e) {
    if (e.key === 'Escape' || e.keyCode === 27) close();
  }

  function onDown(e) {
    if (box && !box.contains(e.target)) close();
  }

  function close() {
    if (box && box.parentNode) box.parentNode.removeChild(box);
    box = null;
    field = null;
    state = null;
    document.removeEventListener('keydown', onKey, true);
    document.removeEventListener('mousedown', onDown, true);
    window.removeEventListener('resize', place);
  }

  function addStyle() {
    if (document.getElementById('kcal-style')) return;
    var st = document.createElement('style');
    st.id = 'kcal-style';
    st.appendChild(document.createTextNode(CSS));
    (document.head || document.getElementsByTagName('head')[0] || document.documentElement).appendChild(st);
  }

  function open(target, value) {
    var el = resolve(target);
    if (!el) return;
    close();
    addStyle();
    var text = value !== undefined && value !== null ? value : el.value;
    var p = parse(text);
    var base = p ? p.date : new Date();
    field = el;
    state = {
      year: base.getFullYear(),
      month: base.getMonth(),
      picked: p ? p.date : null,
      order: p ? p.order : T.order,
      time: p ? p.time : ''
    };
    box = document.createElement('div');
    box.className = 'kcal';
    box.setAttribute('role', 'dialog');
    render();
    document.body.appendChild(box);
    place();
    document.addEventListener('keydown', onKey, true);
    // Not this very click: the link that opened the calendar.
    window.setTimeout(function () {
      if (box) document.addEventListener('mousedown', onDown, true);
    }, 0);
    window.addEventListener('resize', place);
  }

  // Called from the fields' links; returns nothing, so that a javascript:
  // link leaves the page as it is.
  window.show_calendar = function (target, value) {
    open(target, value);
  };
})(window, document);
