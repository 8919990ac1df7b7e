// The browser's own check of what a person types, the same rules the window model applies:
// a refused value never leaves the tab. The server checks again.

export function checkUserName(name: string): string | null {
  if (name.length === 0) return 'User name: must not be empty';
  if (name.length > 40) return 'User name: must be at most 40 characters';
  for (const ch of name) {
    if (!/[\p{L}\p{N}._-]/u.test(ch)) return `User name: '${ch}' is not allowed (letters, digits, '.', '_', '-')`;
  }
  return null;
}

// "1 234,50", "1,234.50" and "1234.5" are the same number.
export function checkNumber(control: string, text: string, decimals: number): string | null {
  const trimmed = text.trim();
  if (trimmed === '') return null;
  const hasPoint = trimmed.includes('.');
  let cleaned = trimmed.replace(/ /g, '');
  cleaned = hasPoint ? cleaned.replace(/,/g, '') : cleaned.replace(/,/g, '.');
  if (!/^[-+]?(\d+(\.\d*)?|\.\d+)$/.test(cleaned)) return `${control}: '${trimmed}' is not a number`;
  const fraction = cleaned.split('.')[1] ?? '';
  if (fraction.replace(/0+$/, '').length > decimals)
    return `${control}: '${trimmed}' has more than ${decimals} decimals`;
  return null;
}

// A date format that shows months only ("mm.yyyy").
export function isMonthFormat(format: string | undefined): boolean {
  return !!format && format.includes('mm') && format.includes('yyyy') && !format.includes('d');
}

// A month box also takes "mm.yyyy" (any of . - / or a space) and "yyyy-mm".
export function checkDate(control: string, text: string, format = ''): string | null {
  const trimmed = text.trim();
  if (trimmed === '') return null;
  const monthBox = isMonthFormat(format);
  if (monthBox) {
    const monthFirst = /^(\d{2})[-./ ](\d{4})$/.exec(trimmed);
    const yearFirst = /^(\d{4})[-./](\d{2})$/.exec(trimmed);
    if (monthFirst || yearFirst) {
      const number = Number(monthFirst ? monthFirst[1] : yearFirst![2]);
      return number >= 1 && number <= 12 ? null : `${control}: '${trimmed}' is not a month (${format})`;
    }
  }
  const m = /^(\d{4})([-./])(\d{2})\2(\d{2})$/.exec(trimmed);
  if (!m) return monthBox ? `${control}: '${trimmed}' is not a month (${format})` : `${control}: '${trimmed}' is not a date (yyyy-mm-dd)`;
  const year = Number(m[1]);
  const month = Number(m[3]);
  const day = Number(m[4]);
  const date = new Date(Date.UTC(year, month - 1, day));
  if (month < 1 || month > 12 || date.getUTCFullYear() !== year || date.getUTCMonth() !== month - 1 || date.getUTCDate() !== day)
    return `${control}: '${trimmed}' is not a valid date`;
  return null;
}
