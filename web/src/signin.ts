// The sign-in page: a user's name and password, sent to the server, which answers with the
// session cookie and the application at "/". A refusal is shown as the server words it; it
// never says whether the name or the password was wrong.

import { checkUserName } from './validate';
import { el } from './dom';

const root = document.getElementById('app')!;

function drawSignIn(): void {
  const user = el('input', { id: 'signin-user', name: 'username', type: 'text', autocomplete: 'username', 'aria-label': 'User name' });
  const password = el('input', { id: 'signin-password', name: 'password', type: 'password', autocomplete: 'current-password', 'aria-label': 'Password' });
  const message = el('div', { class: 'refusal', id: 'signin-message', role: 'alert' });
  const button = el('button', { id: 'signin-button', class: 'primary', type: 'submit' }, 'Sign in');
  const refuse = (text: string, box?: HTMLInputElement): void => {
    message.textContent = text;
    box?.classList.add('invalid');
    box?.focus();
  };
  const form = el('form', { class: 'signin', method: 'post', action: '/api/signin' },
    el('h1', {}, 'Talvex Enterprise'),
    el('p', {}, 'Financial module Quarn_DuzAde'),
    el('label', {}, 'User name', user),
    el('label', {}, 'Password', password),
    message,
    button);
  form.addEventListener('submit', (event) => {
    event.preventDefault();
    user.classList.remove('invalid');
    password.classList.remove('invalid');
    const name = user.value.trim();
    const problem = checkUserName(name);
    if (problem) return refuse(problem, user);
    if (!password.value) return refuse('Password: must not be empty', password);
    button.disabled = true;
    message.textContent = '';
    void send(name, password.value)
      .then((refusal) => {
        if (refusal === null) {
          location.replace('/');
          return;
        }
        password.value = '';
        refuse(refusal, password);
      })
      .finally(() => (button.disabled = false));
  });
  root.replaceChildren(form);
  user.focus();
}

// Null when signed in, else what the server said.
async function send(user: string, password: string): Promise<string | null> {
  try {
    const answer = await fetch('/api/signin', {
      method: 'POST',
      headers: { 'Content-Type': 'application/json' },
      body: JSON.stringify({ user, password }),
      credentials: 'same-origin',
    });
    if (answer.ok) return null;
    const body = await answer.json().catch(() => ({}));
    return body.error ?? `The server refused the sign-in (${answer.status})`;
  } catch {
    return 'The server cannot be reached';
  }
}

drawSignIn();
