<?php
// Takes an order for tomorrow morning and mails it to the bakery.
declare(strict_types=1);

$errors = [];
$sent = false;

if ($_SERVER['REQUEST_METHOD'] === 'POST') {
    $name = trim($_POST['name'] ?? '');
    $loaves = (int) ($_POST['loaves'] ?? 0);

    if ($name === '') {
        $errors[] = 'Please tell us your name.';
    }
    if ($loaves < 1 || $loaves > 20) {
        $errors[] = 'We bake between 1 and 20 loaves per order.';
    }
    if (!$errors) {
        $body = sprintf("%s orders %d loaves for tomorrow.\n", $name, $loaves);
        $sent = mail('orders@harbour-bakery.example', 'New order', $body);
    }
}
?>
<!DOCTYPE html>
<html lang="en">
<head>
  <meta charset="utf-8">
  <title>Order &middot; Harbour Bakery</title>
  <link rel="stylesheet" href="css/style.css">
</head>
<body>
  <h1>Order for tomorrow</h1>
<?php if ($sent): ?>
  <p>Thank you! Your bread will be ready at seven.</p>
<?php else: ?>
  <?php foreach ($errors as $error): ?>
  <p class="error"><?= htmlspecialchars($error) ?></p>
  <?php endforeach; ?>
  <form method="post">
    <label>Name <input name="name" required></label>
    <label>Loaves <input name="loaves" type="number" min="1" max="20" value="1"></label>
    <button type="submit">Order</button>
  </form>
<?php endif; ?>
</body>
</html>
